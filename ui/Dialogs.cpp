#include "ui/Dialogs.h"

#include <QApplication>
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
    // The filter lists .csv whatever the case of its extension; the name is
    // used as typed, with no extension added.
    QFileDialog dialog(parent, kSaveDialogTitle);
    dialog.setObjectName(QStringLiteral("SaveDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setNameFilter(kSaveDialogFilter);
    dialog.setDefaultSuffix(QString());
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
