#include "ui/ImportWindow.h"

#include "ui/CommandButton.h"
#include "ui/Controls.h"
#include "ui/CsvFileListBox.h"
#include "ui/Dialogs.h"
#include "ui/FolderListBox.h"
#include "ui/Layout.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace classdiv {

namespace {

VolumeAccess& sharedVolumeAccess()
{
    static VolumeAccess access;
    return access;
}

QPlainTextEdit* makeMultiLineBox(QWidget* window, const char* name, const QString& tip, int left, int top, int width,
                                 int height)
{
    auto* box = new QPlainTextEdit(window);
    box->setObjectName(QLatin1String(name));
    box->setToolTip(tip);
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setTabChangesFocus(true);
    placeTwips(box, left, top, width, height);
    return box;
}

} // namespace

void ImportWindow::setVolumeAccess(VolumeAccess access) { sharedVolumeAccess() = std::move(access); }
VolumeAccess ImportWindow::volumeAccess() { return sharedVolumeAccess(); }

ImportWindow::ImportWindow(StudentTable& students, const Deliverable& deliverable, QWidget* parent)
    : QWidget(parent), m_students(students), m_volumes(sharedVolumeAccess())
{
    setupUi(deliverable);
    showCurrentFolder();

    connect(m_drive, &QComboBox::activated, this, &ImportWindow::driveChosen);
    connect(m_dir, &FolderListBox::folderChanged, this, &ImportWindow::folderChanged);
    connect(m_files, &CsvFileListBox::fileChosen, m_fileName, &QLineEdit::setText);
    // Another file's sheets are not this one's: the list goes until it is previewed.
    connect(m_files, &CsvFileListBox::fileChosen, this, [this](const QString& name) {
        if (joinPath(m_dir->folder(), name) != m_sheetsFile)
            m_sheets->hide();
    });
}

void ImportWindow::setupUi(const Deliverable& deliverable)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(kImportCaption);
    // Every control of this window shows the window's font.
    setFont(layoutFont(kFontPMincho, 9));

    // Created in tab order, so the focus chain is the Tab column's order.
    m_drive = new QComboBox(this);
    m_drive->setObjectName(QStringLiteral("Drive1"));
    m_drive->setToolTip(QStringLiteral("csvファイルのあるドライブを探します。"));
    placeTwips(m_drive, 240, 240, 2655, 300);

    m_dir = new FolderListBox(this);
    m_dir->setObjectName(QStringLiteral("Dir1"));
    m_dir->setToolTip(QStringLiteral("csvファイルのあるホルダーを探します。"));
    placeTwips(m_dir, 240, 720, 2655, 1140);

    m_files = new CsvFileListBox(this);
    m_files->setObjectName(QStringLiteral("File1"));
    m_files->setToolTip(QStringLiteral("目的のcsvファイルをチェックします。"));
    placeTwips(m_files, 3360, 240, 3015, 1170);

    m_fileName = makeTextBox(this, QStringLiteral("Text1"), QStringLiteral("目的のcsvファイルをチェックするとここに名前がでます。"), 4320,
                             1560, 2055, 270);
    auto* preview = makeCommandButton(this, QStringLiteral("Command1"), QStringLiteral("ファイル名が表示されたらクリック　　項目名確認"),
                               QStringLiteral("左下の枠にcsvファイルの内容が表示されます。内容を確認してください。"),
                               6720, 1080, 1455, 735);
    // Under 項目名確認, in the strip above the preview; shown only for a
    // workbook of more than one sheet.
    m_sheets = new QComboBox(this);
    m_sheets->setObjectName(QStringLiteral("sheetList"));
    m_sheets->setToolTip(QStringLiteral("ブックのシートを選ぶと、そのシートの内容が左下の枠に表示されます。"));
    placeTwips(m_sheets, 6720, 1845, 1695, 285);
    m_sheets->hide();
    m_preview = makeMultiLineBox(
        this, "Text2",
        QStringLiteral("csvファィルの内容が表示されます。項目名など、目的とするcsvファイルかどうかの確認をしてください。"),
        240, 2160, 5415, 1935);
    m_loaded = makeMultiLineBox(this, "Text8", QString(), 5880, 2160, 2535, 1935);
    m_loaded->setPlainText(deliverable.text8Initial);

    m_columnCount = makeTextBox(this, QStringLiteral("Text3"),
                                QStringLiteral("コンピュータが計算します。間違っていれば入力してください。"), 3000, 4440,
                                615, 270);
    m_idColumn = makeTextBox(
        this, "Text4", QStringLiteral("生徒識別データとは生徒個々を区別できるものです。例えば学籍番号とか。"), 3000,
        4920, 615, 270);
    m_nameColumn = makeTextBox(this, QStringLiteral("Text5"), QString(), 3000, 5400, 615, 270);
    m_groupColumn = makeTextBox(
        this, "Text6",
        QStringLiteral("生徒を各クラスに振り分ける際のグループを識別するデータです。例えば「音男」など。"), 3000, 5880,
        615, 270);
    m_scoreColumn = makeTextBox(this, QStringLiteral("Text7"), QString(), 3000, 6360, 615, 270);

    auto* read = makeCommandButton(this, QStringLiteral("Command2"), QStringLiteral("左の５つの条件を入力できたらこのボタンをクリック"),
                            QStringLiteral("右上の枠に識別、氏名、グループ、成績が表示されます。入力した「何列目」のデー"
                                           "タが正しかどか確認しください。"),
                            3960, 5640, 1695, 855);
    auto* goOn = makeCommandButton(this, QStringLiteral("Command3"), QStringLiteral("読み込みデータが正しければ、このボタンをクリック"),
                            QStringLiteral("右上の枠に示された４つのデータが正しければクリックしてください。"), 6360,
                            5640, 1695, 855);

    makeSizedLabel(this, QStringLiteral("Label1"), QStringLiteral("ＣＳＶファイルの列数(計算済み)＝"), 240, 4440);
    makeSizedLabel(this, QStringLiteral("Label2"), QStringLiteral("生徒識別データは何列目ですか＝"), 240, 4920);
    makeSizedLabel(this, QStringLiteral("Label3"), QStringLiteral("クルーブ識別データは何列目か＝"), 240, 5880);
    makeSizedLabel(this, QStringLiteral("Label4"), QStringLiteral("生徒成績データは何列目ですか＝"), 240, 6360);
    makeSizedLabel(this, QStringLiteral("Label5"), QStringLiteral("ファイル名"), 3360, 1590);
    makeSizedLabel(this, QStringLiteral("Label6"), QStringLiteral("数値の入力は半角でね"), 3960, 4680);
    makeSizedLabel(this, QStringLiteral("Label7"), QStringLiteral("生徒氏名は何列目ですか＝"), 240, 5400);
    auto* under8 = new QLabel(QStringLiteral("識別、氏名、グループ、成績順に表示される。されなければ再入力"), this);
    under8->setObjectName(QStringLiteral("Label8"));
    under8->setWordWrap(true);
    under8->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    under8->setFocusPolicy(Qt::NoFocus);
    placeTwips(under8, 5880, 4200, 2535, 375);
    makeSizedLabel(this, QStringLiteral("Label9"), QStringLiteral("Ｔａｂｷｰで次の入力枠に移動"), 3960, 5160);

    const QList<QWidget*> tabOrder = {m_drive,   m_dir,      m_files,       m_fileName,  preview, m_sheets,
                                      m_preview, m_loaded,   m_columnCount, m_idColumn,  m_nameColumn,
                                      m_groupColumn, m_scoreColumn, read,   goOn};
    chainTabOrder(tabOrder);

    connect(preview, &QPushButton::clicked, this, &ImportWindow::previewClicked);
    connect(read, &QPushButton::clicked, this, &ImportWindow::readClicked);
    connect(m_sheets, &QComboBox::activated, this, &ImportWindow::sheetChosen);
    connect(goOn, &QPushButton::clicked, this, &ImportWindow::goOnRequested);

    setupWindowFrame(this, 8655, 6795, deliverable);
}

void ImportWindow::showCurrentFolder()
{
    const QString current = QDir::currentPath();
    const std::vector<Volume> volumes = m_volumes.list();
    for (const Volume& volume : volumes)
        m_drive->addItem(volume.displayName, volume.rootPath);
    m_drive->setCurrentIndex(volumeHolding(volumes, current));
    if (!m_dir->setFolder(current))
        m_dir->setFolder(QDir::rootPath());
    folderChanged(m_dir->folder());
}

bool ImportWindow::showFile(const QString& folder, const QString& fileName)
{
    const std::vector<Volume> volumes = m_volumes.list();
    const int volume = volumeHolding(volumes, folder);
    if (volume >= 0)
        m_drive->setCurrentIndex(m_drive->findData(volumes[volume].rootPath));
    if (!m_dir->setFolder(folder)) // a move refills File1
        return false;
    const QList<QListWidgetItem*> found = m_files->findItems(fileName, Qt::MatchExactly);
    if (found.isEmpty())
        return false;
    m_files->setCurrentItem(found.first()); // selecting it names it in Text1
    m_files->scrollToItem(found.first());
    return true;
}

void ImportWindow::driveChosen(int index)
{
    const QString root = m_drive->itemData(index).toString();
    switch (m_volumes.check(root)) {
    case VolumeStatus::Ready: {
        const QString remembered = m_folderOnVolume.value(root, root);
        if (!m_dir->setFolder(remembered))
            m_dir->setFolder(root);
        break;
    }
    case VolumeStatus::NotReady:
        // Drive1 keeps showing the chosen volume; the lists stay on the old folder.
        Dialogs::showMessage(this, Message{kInsertDiskMessage, QString()});
        break;
    case VolumeStatus::Unexpected:
        Dialogs::showMessage(this, Message{kUnexpectedDriveMessage, QString()});
        Dialogs::endProgram();
        break;
    }
}

void ImportWindow::folderChanged(const QString& folder)
{
    m_files->setFolder(folder);
    const int volume = m_drive->currentIndex();
    if (volume >= 0 && holdsFolder(QDir::cleanPath(m_drive->itemData(volume).toString()), folder))
        m_folderOnVolume.insert(m_drive->itemData(volume).toString(), folder);
}

void ImportWindow::previewClicked()
{
    PreviewInput input{m_dir->folder(), m_files->folder(), m_files->fileName(), m_fileName->text(), QString()};
    // The sheet chosen before stays chosen while the same workbook is previewed again.
    if (!m_sheets->isHidden() && joinPath(input.dirFolder, input.fileName) == m_sheetsFile)
        input.sheetName = m_sheets->currentText();
    const PreviewOutcome outcome = preview(input, m_state, m_students);
    showSheets(outcome);
    if (outcome.columnCount)
        m_columnCount->setText(*outcome.columnCount);
    if (outcome.shownFile)
        m_preview->setPlainText(*outcome.shownFile);
    if (outcome.message)
        Dialogs::showMessage(this, *outcome.message);
    if (outcome.focusIdColumn)
        m_idColumn->setFocus(Qt::OtherFocusReason);
}

void ImportWindow::sheetChosen(int)
{
    previewClicked();
}

void ImportWindow::showSheets(const PreviewOutcome& outcome)
{
    m_sheetsFile = m_state.sourcePath;
    m_sheets->clear();
    m_sheets->addItems(outcome.sheetNames);
    m_sheets->setCurrentIndex(std::max(0, int(outcome.sheetNames.indexOf(outcome.sheetName))));
    m_sheets->setVisible(outcome.sheetNames.size() > 1);
}

void ImportWindow::readClicked()
{
    const ReadColumnsInput input{m_columnCount->text(), m_idColumn->text(), m_nameColumn->text(),
                                 m_groupColumn->text(), m_scoreColumn->text()};
    const ReadColumnsOutcome outcome = readColumns(input, m_state, m_students);
    if (outcome.loadedText)
        m_loaded->setPlainText(*outcome.loadedText);
    if (outcome.message)
        Dialogs::showMessage(this, *outcome.message);
    if (outcome.focusColumnCount)
        m_columnCount->setFocus(Qt::OtherFocusReason);
}

void ImportWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
    emit closedByUser();
}

} // namespace classdiv
