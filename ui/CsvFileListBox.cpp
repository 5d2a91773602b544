#include "ui/CsvFileListBox.h"

#include "common/FileKinds.h"

#include <QDir>

namespace classdiv {

CsvFileListBox::CsvFileListBox(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    // A click on the chosen name chooses it again: Text1 may have been edited since.
    connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (item)
            emit fileChosen(item->text());
    });
    // Arrow keys choose too; the focus alone (Tab into the list) does not.
    connect(this, &QListWidget::itemSelectionChanged, this, [this]() {
        const QList<QListWidgetItem*> chosen = selectedItems();
        if (!chosen.isEmpty())
            emit fileChosen(chosen.first()->text());
    });
}

void CsvFileListBox::setFolder(const QString& folder)
{
    m_folder = folder;
    clear();
    QDir dir(folder);
    // Without QDir::CaseSensitive the name filter ignores case, so A.CSV is listed too.
    // Workbooks are read directly; an old .xls is listed so that choosing it says how to save it anew.
    dir.setNameFilters(rosterNamePatterns());
    dir.setFilter(QDir::Files);
    dir.setSorting(QDir::Name | QDir::IgnoreCase);
    addItems(dir.entryList());
}

QString CsvFileListBox::fileName() const
{
    const QList<QListWidgetItem*> chosen = selectedItems();
    return chosen.isEmpty() ? QString() : chosen.first()->text();
}

} // namespace classdiv
