#pragma once
// Form2, the import window: find the CSV file, preview it, read the four
// columns into the student table, go on. The window reads its boxes, calls
// the import actions and shows their outcome; it decides nothing itself.

#include "import/ImportActions.h"
#include "import/StudentTable.h"
#include "import/Volumes.h"
#include "ui/Deliverable.h"

#include <QHash>
#include <QWidget>

#include <functional>
#include <vector>

class QCloseEvent;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace classdiv {

class CsvFileListBox;
class FolderListBox;

// Where the drive list takes its volumes from; tests put in volumes that are
// not ready or fail.
struct VolumeAccess {
    std::function<std::vector<Volume>()> list = listVolumes;
    std::function<VolumeStatus(const QString&)> check = checkVolume;
};

class ImportWindow : public QWidget {
    Q_OBJECT
public:
    ImportWindow(StudentTable& students, const Deliverable& deliverable, QWidget* parent = nullptr);

    const ImportWindowState& state() const { return m_state; }

    // Moves the three lists to the folder and chooses the file in File1, as
    // the user's clicks would; false when the folder or file is not there.
    bool showFile(const QString& folder, const QString& fileName);

    // For tests: the volume access of windows made from now on.
    static void setVolumeAccess(VolumeAccess access);
    static VolumeAccess volumeAccess();

signals:
    void goOnRequested(); // Command3: on to the conditions window
    void closedByUser();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void setupUi(const Deliverable& deliverable);
    void showCurrentFolder();

    void driveChosen(int index); // Drive1
    void folderChanged(const QString& folder); // Dir1
    void previewClicked();     // Command1
    void readClicked();        // Command2
    void sheetChosen(int index); // sheetList: the chosen sheet previewed at once
    void showSheets(const PreviewOutcome& outcome);

    StudentTable& m_students;
    ImportWindowState m_state;
    VolumeAccess m_volumes;
    // The folder last shown on each volume: choosing a volume again returns there.
    QHash<QString, QString> m_folderOnVolume;

    QComboBox* m_drive = nullptr;       // Drive1
    FolderListBox* m_dir = nullptr;     // Dir1
    CsvFileListBox* m_files = nullptr;  // File1
    QLineEdit* m_fileName = nullptr;    // Text1
    QPlainTextEdit* m_preview = nullptr; // Text2
    QPlainTextEdit* m_loaded = nullptr;  // Text8
    QLineEdit* m_columnCount = nullptr;  // Text3
    QLineEdit* m_idColumn = nullptr;     // Text4
    QLineEdit* m_nameColumn = nullptr;   // Text5
    QLineEdit* m_groupColumn = nullptr;  // Text6
    QLineEdit* m_scoreColumn = nullptr;  // Text7
    QComboBox* m_sheets = nullptr;       // sheetList: the sheets of a workbook with more than one
    QString m_sheetsFile;                // the workbook whose sheets sheetList shows
};

inline const QString kImportCaption = QStringLiteral("データ読み込み");

} // namespace classdiv
