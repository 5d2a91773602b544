#include "ui/Dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QQueue>

namespace classdiv {

namespace {

struct DialogState {
    QString programTitle = QStringLiteral("varmesto");
    bool recording = false;
    QList<Message> messages;
    QQueue<std::optional<QString>> saveNames;
    bool ended = false;
};

DialogState& state()
{
    static DialogState s;
    return s;
}

} // namespace

void Dialogs::setProgramTitle(const QString& title) { state().programTitle = title; }
QString Dialogs::programTitle() { return state().programTitle; }

void Dialogs::showMessage(QWidget* parent, const Message& message)
{
    if (state().recording) {
        state().messages.append(message);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, message.title.isEmpty() ? state().programTitle : message.title,
                    message.text, QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("MessageBox"));
    box.exec();
}

std::optional<QString> Dialogs::chooseSaveFile(QWidget* parent)
{
    if (state().recording) {
        if (state().saveNames.isEmpty())
            return std::nullopt;
        return state().saveNames.dequeue();
    }
    // Qt's own dialog on every platform, so it looks and behaves the same
    // wherever the program runs and tests can drive it.
    QFileDialog dialog(parent, kSaveDialogTitle);
    dialog.setObjectName(QStringLiteral("SaveDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false); // ask before replacing a file
    dialog.setNameFilter(kSaveDialogFilter);
    // Files from Windows are as often "*.csv" as "*.CSV": the one filter
    // lists both, so the pattern is matched without regard to case.
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    // A name typed without extension is used as typed.
    dialog.setDefaultSuffix(QString());
    dialog.selectFile(QString()); // no proposed name
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.first().isEmpty())
        return std::nullopt;
    return files.first();
}

void Dialogs::endProgram()
{
    state().ended = true;
    if (state().recording)
        return;
    QApplication::closeAllWindows();
    QCoreApplication::exit(0);
}

void Dialogs::setRecording(bool recording) { state().recording = recording; }
bool Dialogs::recording() { return state().recording; }

QList<Message> Dialogs::takeMessages()
{
    QList<Message> messages;
    messages.swap(state().messages);
    return messages;
}

void Dialogs::queueSaveFileName(std::optional<QString> name) { state().saveNames.enqueue(std::move(name)); }
bool Dialogs::programEnded() { return state().ended; }
void Dialogs::resetProgramEnded() { state().ended = false; }

} // namespace classdiv
