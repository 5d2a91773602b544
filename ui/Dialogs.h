#pragma once
// The one seam for modal messages, the save dialog and ending the program.
// Production shows the real modal boxes; tests switch to recording mode,
// read the messages shown and queue the names the save dialog answers.

#include "common/Message.h"

#include <QList>
#include <QString>

#include <optional>

class QWidget;

namespace classdiv {

class Dialogs {
public:
    // The title of a message that has none of its own.
    static void setProgramTitle(const QString& title);
    static QString programTitle();

    // A modal box with an OK button only.
    static void showMessage(QWidget* parent, const Message& message);

    // The save dialog: title "CSVファイル保存", filter "CSV Files(*.CSV)",
    // no proposed name, the overwrite question, no extension added.
    // It opens in startFolder when that is a folder, else in the current one.
    // nullopt when cancelled.
    static std::optional<QString> chooseSaveFile(QWidget* parent, const QString& startFolder = QString());

    // The same dialog for the program's other files (a picture, a PDF): its
    // own title and filter, and the suffix added to a name typed without one.
    static std::optional<QString> chooseSaveFile(QWidget* parent, const QString& title, const QString& filter,
                                                 const QString& defaultSuffix,
                                                 const QString& startFolder = QString());

    // The save dialog of the result: the same title, the CSV filter and the
    // workbook filter, the workbook's chosen first when workbookFirst. A name
    // typed without extension gets ".xlsx" under the workbook filter and
    // stays as typed under the CSV one. In recording mode the filter chosen
    // is the first.
    struct ResultChoice {
        QString name;
        bool workbookFilter = false;
    };
    static std::optional<ResultChoice> chooseResultFile(QWidget* parent, const QString& startFolder,
                                                        bool workbookFirst);

    // A file the program keeps adding to (the separation record): an existing
    // one picked, or a new name typed, without the overwrite question. Answered
    // in recording mode from the save dialog's queue.
    static std::optional<QString> chooseKeptFile(QWidget* parent, const QString& title, const QString& filter,
                                                 const QString& defaultSuffix, const QString& startFolder = QString());

    // A modal question with Yes and No; true for Yes.
    static bool ask(QWidget* parent, const Message& question);

    // Ends the program at once (after all windows close).
    static void endProgram();

    // --- for tests ---
    // Recording mode: messages are recorded instead of shown, the save dialog
    // answers from the queue (nullopt = cancel), ending the program only sets a flag.
    static void setRecording(bool recording);
    static bool recording();
    static QList<Message> takeMessages();
    static void queueSaveFileName(std::optional<QString> name);
    // Questions are recorded with the messages and answered from this queue (Yes when empty).
    static void queueAnswer(bool yes);
    static bool programEnded();
    static void resetProgramEnded();

    // A file to read (a result file read back); nullopt when cancelled.
    static std::optional<QString> chooseOpenFile(QWidget* parent, const QString& title, const QString& filter,
                                                 const QString& startFolder = QString());
    // A line of text asked for (a draw number); nullopt when cancelled.
    static std::optional<QString> askText(QWidget* parent, const QString& title, const QString& label);
    // --- for tests: the answers of the two above (nullopt = cancel); the question is recorded as a message.
    static void queueOpenFileName(std::optional<QString> name);
    static void queueText(std::optional<QString> text);
};

inline const QString kSaveDialogTitle = QStringLiteral("CSVファイル保存");
inline const QString kSaveDialogFilter = QStringLiteral("CSV Files(*.CSV)");
inline const QString kWorkbookFilter = QStringLiteral("Excel ブック(*.xlsx)");

} // namespace classdiv
