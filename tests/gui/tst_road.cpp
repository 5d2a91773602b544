// One whole run through the real windows of each program, the saved file
// checked against the CSV it came from.

#include "support/GuiTest.h"

#include "app/Shell.h"
#include "common/Numbers.h"
#include "common/TextFile.h"
#include "ui/CsvFileListBox.h"
#include "ui/Dialogs.h"
#include "ui/FolderListBox.h"
#include "ui/PictureBox.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QPointer>

using namespace classdiv;
using namespace classdiv::testing;

Q_DECLARE_METATYPE(classdiv::Deliverable)

namespace {

QStringList fileLines(const QString& path)
{
    const std::optional<DecodedText> decoded = decodeText(readBytes(path));
    QStringList lines = decoded ? decoded->text.split(QStringLiteral("\r\n")) : QStringList();
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString quoted(const QString& text) { return u'"' + text + u'"'; }

// Starts in `parent`, goes through the explanation into the import window,
// double-clicks `year` in Dir1, chooses nen1.csv, reads columns 1, 3, 6, 7,
// goes on, reads the conditions back and draws once.
void driveRoad(Shell& shell, const QString& parent, const QString& year)
{
    QVERIFY(QDir::setCurrent(parent));
    shell.start();
    auto window = [&](const char* name) {
        QWidget* current = shell.currentWindow();
        QCOMPARE(current->objectName(), QString(name));
        QVERIFY(QTest::qWaitForWindowExposed(current));
    };
    window("Form1");
    click(shell.currentWindow(), "Command2");
    window("Form4");
    click(shell.currentWindow(), "Command1");
    QPointer<QWidget> form2 = shell.currentWindow();
    QCOMPARE(form2->objectName(), QStringLiteral("Form2"));
    QVERIFY(QTest::qWaitForWindowExposed(form2));

    auto* dir1 = child<FolderListBox>(form2, "Dir1");
    auto* file1 = child<CsvFileListBox>(form2, "File1");
    const int row = dir1->rowOf(QDir(year).canonicalPath());
    QVERIFY2(row >= 0, qPrintable(dir1->folder()));
    dir1->scrollToItem(dir1->item(row));
    const QPoint entry = dir1->visualItemRect(dir1->item(row)).center();
    QTest::mouseClick(dir1->viewport(), Qt::LeftButton, {}, entry);
    QTest::mouseDClick(dir1->viewport(), Qt::LeftButton, {}, entry);
    QTRY_COMPARE(file1->count(), 1);
    QCOMPARE(file1->item(0)->text(), QStringLiteral("nen1.csv"));
    QTest::mouseClick(file1->viewport(), Qt::LeftButton, {}, file1->visualItemRect(file1->item(0)).center());
    QCOMPARE(child<QLineEdit>(form2, "Text1")->text(), QStringLiteral("nen1.csv"));
    click(form2, "Command1"); // preview
    QCOMPARE(child<QLineEdit>(form2, "Text3")->text(), QStringLiteral("8"));
    const QStringList columns{"1", "3", "6", "7"};
    for (int i = 0; i < columns.size(); ++i)
        typeInto(child<QLineEdit>(form2, QStringLiteral("Text%1").arg(i + 4)), columns[i]);
    click(form2, "Command2"); // read the columns
    QCOMPARE(Dialogs::takeMessages(), QList<Message>());
    QCOMPARE(child<QPlainTextEdit>(form2, "Text8")->toPlainText().count(u'\n'), 241);
    window("Form2");
    click(form2, "Command3"); // go on
    QTRY_VERIFY(form2.isNull());
    QCOMPARE(visibleWindowNames(), QStringList{"Form3"});

    QWidget* form3 = shell.currentWindow();
    click(form3, "Command3"); // the conditions read back
    QCOMPARE(child<QLineEdit>(form3, "Text3")->text(), QStringLiteral("2"));
    click(form3, "Command4");
    QCOMPARE(Dialogs::takeMessages(), QList<Message>());
    QVERIFY(!child<PictureBox>(form3, "Picture1")->items().empty());
    window("Form3");
}

} // namespace

class RoadTest : public QObject {
    Q_OBJECT

    QString m_startFolder = QDir::currentPath();

private slots:
    void init()
    {
        Dialogs::setRecording(true);
        Dialogs::takeMessages();
        Dialogs::resetProgramEnded();
    }
    void cleanup() { QDir::setCurrent(m_startFolder); }

    void wholeRun_data()
    {
        QTest::addColumn<Deliverable>("deliverable");
        QTest::newRow("varmesto") << Deliverable::varmesto();
        QTest::newRow("lintoraq") << Deliverable::lintoraq();
    }
    void wholeRun()
    {
        QFETCH(Deliverable, deliverable);
        TempFolder temp;
        const QString year = temp.file("nen1");
        QVERIFY(copyExamples(year, {"nen1.csv", "nen1.csvJYOKEN.TXT"}));
        ClockRandomSource random;
        Shell shell(deliverable, random);
        driveRoad(shell, temp.path(), year);
        if (QTest::currentTestFailed())
            return;
        const QString saved = year + QStringLiteral("/kekka.csv");
        Dialogs::queueSaveFileName(saved);
        click(shell.currentWindow(), "Command5");
        QCOMPARE(Dialogs::takeMessages(), QList<Message>());

        // The saved file against the CSV it came from.
        const QStringList input = fileLines(year + QStringLiteral("/nen1.csv"));
        const QStringList output = fileLines(saved);
        QCOMPARE(input.size(), 241);
        QCOMPARE(output.size(), 1 + 240 + 1 + 1 + 10);
        QCOMPARE(output[0], QStringLiteral("\"新組\",\"番号\",\"氏名\",\"グループ\",\"点数\""));
        std::array<int, 11> sizes{};
        std::array<int32_t, 11> sums{};
        for (int r = 1; r <= 240; ++r) {
            const QStringList in = input[r].split(u','), out = output[r].split(u',');
            QCOMPARE(out.mid(1), (QStringList{in[0], quoted(in[2]), quoted(in[5]), fileNumber(textValue(in[6]), 15)}));
            const int newClass = out[0].toInt();
            // each group keeps to its own two classes
            const int first = in[5].startsWith(QStringLiteral("音")) ? 1 : in[5].startsWith(QStringLiteral("美")) ? 3 : 5;
            QVERIFY2(newClass == first || newClass == first + 1, qPrintable(output[r]));
            ++sizes[newClass];
            sums[newClass] = int32_t(roundHalfEven(sums[newClass] + textValue(in[6])));
        }
        QCOMPARE(output[241], QStringLiteral("\"分布表\""));
        QVERIFY(output[242].startsWith(QStringLiteral("\"境界点\",")));
        const QStringList labels{"１組", "２組", "３組", "４組", "５組", "６組", "７組", "８組", "９組", "10組"};
        for (int k = 1; k <= 10; ++k) {
            const QStringList line = output[242 + k].split(u',');
            QCOMPARE(line.size(), 9);
            QCOMPARE(line[0], quoted(labels[k - 1]));
            if (k <= 6) { // forty each, and the table belongs to the students above it
                QCOMPARE(sizes[k], 40);
                QCOMPARE(line[7], fileNumber(roundOneDecimal(float(sums[k]) / 40.0f), 7));
            } else {
                QCOMPARE(line.mid(1).join(u','), QStringLiteral("0,0,0,0,0,0,0,0"));
            }
        }

        click(shell.currentWindow(), "Command7");
        QVERIFY(Dialogs::programEnded());
    }

};

CLASSDIV_GUI_TEST_MAIN(RoadTest)
#include "tst_road.moc"
