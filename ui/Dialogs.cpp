#include "ui/Dialogs.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QQueue>

namespace classdiv {

namespace {

struct DialogState {
    QString programTitle = QStringLiteral("varmesto");
    bool recording = false;
    QList<Message> messages;
    QQueue<std::optional<QString>> saveNames;
    QQueue<bool> answers;
    bool ended = false;
    QQueue<std::optional<QString>> openNames;
    QQueue<std::optional<QString>> texts;
};

DialogState& state()
{
    static DialogState s;
    return s;
}

class SaveFileDialog : public QFileDialog {
public:
    SaveFileDialog(QWidget* parent, const QString& title) : QFileDialog(parent, title) {}

    // The workbook filter adds ".xlsx" to a bare name, the others nothing;
    // set here, so that the overwrite question names the file written.
    bool suffixFromFilter = false;

    void accept() override
    {
        if (suffixFromFilter)
            setDefaultSuffix(selectedNameFilter() == kWorkbookFilter ? QStringLiteral("xlsx") : QString());
        // The name box says which file is meant. A file still selected in the
        // list from an earlier choice (one the user just refused to replace,
        // say) would otherwise be asked about and written instead of the name
        // typed afterwards.
        auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        auto* list = findChild<QAbstractItemView*>(QStringLiteral("listView"));
        if (edit && list && list->selectionModel()) {
            QItemSelectionModel* selection = list->selectionModel();
            for (const QModelIndex& index : selection->selectedRows())
                if (index.data(Qt::DisplayRole).toString() != edit->text())
                    selection->select(index, QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
        }
        QFileDialog::accept();
    }
};

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

std::optional<QString> Dialogs::chooseSaveFile(QWidget* parent, const QString& startFolder)
{
    // A name typed without extension is used as typed.
    return chooseSaveFile(parent, kSaveDialogTitle, kSaveDialogFilter, QString(), startFolder);
}

std::optional<Dialogs::ResultChoice> Dialogs::chooseResultFile(QWidget* parent, const QString& startFolder,
                                                              bool workbookFirst)
{
    if (state().recording) {
        if (state().saveNames.isEmpty())
            return std::nullopt;
        const std::optional<QString> name = state().saveNames.dequeue();
        if (!name)
            return std::nullopt;
        return ResultChoice{*name, workbookFirst};
    }
    SaveFileDialog dialog(parent, kSaveDialogTitle);
    dialog.setObjectName(QStringLiteral("SaveDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog.setNameFilters({kSaveDialogFilter, kWorkbookFilter});
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    dialog.suffixFromFilter = true;
    dialog.selectNameFilter(workbookFirst ? kWorkbookFilter : kSaveDialogFilter);
    if (!startFolder.isEmpty() && QFileInfo(startFolder).isDir())
        dialog.setDirectory(startFolder);
    dialog.selectFile(QString());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.first().isEmpty())
        return std::nullopt;
    return ResultChoice{files.first(), dialog.selectedNameFilter() == kWorkbookFilter};
}

std::optional<QString> Dialogs::chooseSaveFile(QWidget* parent, const QString& title, const QString& filter,
                                               const QString& defaultSuffix, const QString& startFolder)
{
    if (state().recording) {
        if (state().saveNames.isEmpty())
            return std::nullopt;
        return state().saveNames.dequeue();
    }
    // Qt's own dialog on every platform, so it looks and behaves the same
    // wherever the program runs and tests can drive it.
    SaveFileDialog dialog(parent, title);
    dialog.setObjectName(QStringLiteral("SaveDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false); // ask before replacing a file
    dialog.setNameFilter(filter);
    // Files from Windows are as often "*.csv" as "*.CSV": the one filter
    // lists both, so the pattern is matched without regard to case.
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    dialog.setDefaultSuffix(defaultSuffix);
    // Started from the desktop menu the current folder is the home folder or
    // the root; the teacher's files are where the CSV is.
    if (!startFolder.isEmpty() && QFileInfo(startFolder).isDir())
        dialog.setDirectory(startFolder);
    dialog.selectFile(QString()); // no proposed name
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.first().isEmpty())
        return std::nullopt;
    return files.first();
}

std::optional<QString> Dialogs::chooseKeptFile(QWidget* parent, const QString& title, const QString& filter,
                                               const QString& defaultSuffix, const QString& startFolder)
{
    if (state().recording)
        return state().saveNames.isEmpty() ? std::nullopt : std::optional<QString>(state().saveNames.dequeue());
    SaveFileDialog dialog(parent, title);
    dialog.setObjectName(QStringLiteral("KeptFileDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true); // it is added to, never replaced
    dialog.setNameFilter(filter);
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    dialog.setDefaultSuffix(defaultSuffix);
    if (!startFolder.isEmpty() && QFileInfo(startFolder).isDir())
        dialog.setDirectory(startFolder);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty() || dialog.selectedFiles().first().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

bool Dialogs::ask(QWidget* parent, const Message& question)
{
    if (state().recording) {
        state().messages.append(question);
        return state().answers.isEmpty() ? true : state().answers.dequeue();
    }
    QMessageBox box(QMessageBox::Question, question.title.isEmpty() ? state().programTitle : question.title,
                    question.text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setObjectName(QStringLiteral("QuestionBox"));
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
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
void Dialogs::queueAnswer(bool yes) { state().answers.enqueue(yes); }
bool Dialogs::programEnded() { return state().ended; }
void Dialogs::resetProgramEnded() { state().ended = false; }

std::optional<QString> Dialogs::chooseOpenFile(QWidget* parent, const QString& title, const QString& filter,
                                               const QString& startFolder)
{
    if (state().recording)
        return state().openNames.isEmpty() ? std::nullopt : state().openNames.dequeue();
    QFileDialog dialog(parent, title);
    dialog.setObjectName(QStringLiteral("OpenDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setNameFilter(filter);
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    if (!startFolder.isEmpty() && QFileInfo(startFolder).isDir())
        dialog.setDirectory(startFolder);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

std::optional<QString> Dialogs::askText(QWidget* parent, const QString& title, const QString& label)
{
    if (state().recording) {
        state().messages.append(Message{label, title});
        return state().texts.isEmpty() ? std::nullopt : state().texts.dequeue();
    }
    QInputDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("TextDialog"));
    dialog.setWindowTitle(title);
    dialog.setLabelText(label);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

void Dialogs::queueOpenFileName(std::optional<QString> name) { state().openNames.enqueue(std::move(name)); }
void Dialogs::queueText(std::optional<QString> text) { state().texts.enqueue(std::move(text)); }

} // namespace classdiv
