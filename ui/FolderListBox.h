#pragma once
// The folder list of the import window (Dir1): the current folder's
// ancestors from the root down, then its subfolders, one level indented
// each. Activating an entry (double click, Enter) moves there.

#include <QListWidget>
#include <QString>

namespace classdiv {

class FolderListBox : public QListWidget {
    Q_OBJECT
public:
    explicit FolderListBox(QWidget* parent = nullptr);

    QString folder() const { return m_folder; }
    // Moves to the folder (cleaned, absolute). A folder that is not there is
    // refused and the list stays; returns whether it moved.
    bool setFolder(const QString& folder);

    // The row that stands for this folder, or -1.
    int rowOf(const QString& folder) const;

    static constexpr int kPathRole = Qt::UserRole;

signals:
    void folderChanged(const QString& folder);

private:
    void fill();

    QString m_folder;
};

} // namespace classdiv
