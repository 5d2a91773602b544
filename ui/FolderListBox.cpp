#include "ui/FolderListBox.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStyle>

namespace classdiv {

FolderListBox::FolderListBox(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    // Moving refills the list, so it waits until the activated item's signal has returned.
    connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        if (!item)
            return;
        const QString target = item->data(kPathRole).toString();
        QMetaObject::invokeMethod(this, [this, target]() { setFolder(target); }, Qt::QueuedConnection);
    });
}

bool FolderListBox::setFolder(const QString& folder)
{
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir())
        return false;
    const QString cleaned = QDir::cleanPath(info.absoluteFilePath());
    const bool changed = cleaned != m_folder;
    m_folder = cleaned;
    fill();
    if (changed)
        emit folderChanged(m_folder);
    return true;
}

int FolderListBox::rowOf(const QString& folder) const
{
    const QString cleaned = QDir::cleanPath(folder);
    for (int row = 0; row < count(); ++row)
        if (item(row)->data(kPathRole).toString() == cleaned)
            return row;
    return -1;
}

void FolderListBox::fill()
{
    clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);

    // The chain from the root down to the current folder.
    QStringList chain;
    for (QDir dir(m_folder);; ) {
        chain.prepend(dir.absolutePath());
        if (dir.isRoot() || !dir.cdUp())
            break;
    }
    int depth = 0;
    for (const QString& path : chain) {
        // A root is shown as the system writes it: "/" or "C:\".
        const QString name = QDir(path).isRoot() ? QDir::toNativeSeparators(path) : QFileInfo(path).fileName();
        auto* entry = new QListWidgetItem(open, QString(depth * 2, u' ') + name, this);
        entry->setData(kPathRole, path);
        ++depth;
    }
    const int currentRow = count() - 1;

    const QDir current(m_folder);
    const QFileInfoList subfolders =
        current.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& sub : subfolders) {
        auto* entry = new QListWidgetItem(closed, QString(depth * 2, u' ') + sub.fileName(), this);
        entry->setData(kPathRole, QDir::cleanPath(sub.absoluteFilePath()));
    }
    setCurrentRow(currentRow);
    scrollToItem(item(currentRow));
}

} // namespace classdiv
