#pragma once
// The file list of the import window (File1): the files of one folder whose
// names match *.csv, whatever the case of the extension, sorted by name.

#include <QListWidget>
#include <QString>

namespace classdiv {

class CsvFileListBox : public QListWidget {
    Q_OBJECT
public:
    explicit CsvFileListBox(QWidget* parent = nullptr);

    QString folder() const { return m_folder; }
    void setFolder(const QString& folder);

    // The name of the chosen file, empty when none is chosen.
    QString fileName() const;

    // The name of the file clicked or chosen by the keys.
    Q_SIGNAL void fileChosen(const QString& name);

private:
    QString m_folder;
};

} // namespace classdiv
