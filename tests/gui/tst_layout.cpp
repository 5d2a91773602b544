// Every window of both programs against its layout table: controls, caption,
// client size, frame, the Tab key; the text boxes and the table's box as designed.

#include "support/GuiTest.h"

#include "ui/ExplanationWindow.h"
#include "ui/Layout.h"
#include "ui/StartWindow.h"

#include <cmath>

using namespace classdiv;
using namespace classdiv::testing;

namespace {

// One row of a window's layout table; geometry in twips, the font ＭＳ Ｐ明朝 9 unless told.
struct ExpectedControl {
    enum Fit { Fixed, SizedToText, TextAtLoad }; // TextAtLoad: sized to a text set while loading
    QString name;
    const char* className = "";
    std::optional<QString> text; // nullopt: not compared (lists, combos)
    QString tip;
    int left = 0, top = 0, width = 0, height = 0;
    int tab = -1; // place in the Tab column
    Fit fit = Fixed;
    QString fontFamily = kFontPMincho;
    double pointSize = 9;
};
using Fit = ExpectedControl::Fit;

QString describe(const QRect& r) { return QStringLiteral("(%1,%2 %3x%4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()); }
bool within(int actual, int design, double low, double high) { return actual >= std::floor(design * low) && actual <= std::ceil(design * high); }

// One readable line per mismatch between the window and its table.
QStringList checkControls(const QWidget* window, const std::vector<ExpectedControl>& expected)
{
    QStringList problems;
    for (const ExpectedControl& e : expected) {
        auto fail = [&](const QString& what) { problems << e.name + QStringLiteral(": ") + what; };
        const QList<QWidget*> found = window->findChildren<QWidget*>(e.name);
        if (found.size() != 1) {
            fail(QStringLiteral("found %1 controls of that name").arg(found.size()));
            continue;
        }
        const QWidget* control = found.first();
        if (!control->inherits(e.className))
            fail(QStringLiteral("class %1, expected %2").arg(control->metaObject()->className(), e.className));
        if (control->parentWidget() != window)
            fail(QStringLiteral("not a direct child of the window"));
        // Buttons, labels and line boxes show their "text", the text boxes their "plainText".
        const QString text = control->property(qobject_cast<const QPlainTextEdit*>(control) ? "plainText" : "text").toString();
        if (e.text && text != *e.text)
            fail(QStringLiteral("text \"%1\", expected \"%2\"").arg(text, *e.text));
        if (control->toolTip() != e.tip)
            fail(QStringLiteral("tip \"%1\", expected \"%2\"").arg(control->toolTip(), e.tip));

        const QRect design(twipsToPixels(e.left), twipsToPixels(e.top), twipsToPixels(e.width), twipsToPixels(e.height));
        const QRect actual = control->geometry();
        if (e.fit == Fit::Fixed && actual != design)
            fail(QStringLiteral("geometry %1, expected %2").arg(describe(actual), describe(design)));
        if (e.fit != Fit::Fixed) { // labels sized to their text: the substitute fonts measure a little differently
            if (actual.topLeft() != design.topLeft() || actual.size() != control->sizeHint())
                fail(QStringLiteral("%1 is not its text's size at %2").arg(describe(actual), describe(design)));
            if (e.fit == Fit::SizedToText &&
                (!within(actual.width(), design.width(), 0.8, 1.25) || !within(actual.height(), design.height(), 0.7, 1.5)))
                fail(QStringLiteral("size %1 far from the design size %2").arg(describe(actual), describe(design)));
            if (control->focusPolicy() != Qt::NoFocus)
                fail(QStringLiteral("a label must not take the focus"));
        }
        const QFont font = control->font();
        if (font.family() != e.fontFamily || std::abs(font.pointSizeF() - e.pointSize) > 0.01)
            fail(QStringLiteral("font %1 %2, expected %3 %4").arg(font.family()).arg(font.pointSizeF()).arg(e.fontFamily).arg(e.pointSize));
        if (font.bold() || font.italic() || font.underline())
            fail(QStringLiteral("font must be normal, upright, not underlined"));
    }
    return problems;
}

QString shownText(QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

std::vector<ExpectedControl> importTable(const Deliverable& deliverable)
{
    return {
        {"Drive1", "QComboBox", std::nullopt, "csvファイルのあるドライブを探します。", 240, 240, 2655, 300, 0},
        {"Dir1", "QListWidget", std::nullopt, "csvファイルのあるホルダーを探します。", 240, 720, 2655, 1140, 1},
        {"File1", "QListWidget", std::nullopt, "目的のcsvファイルをチェックします。", 3360, 240, 3015, 1170, 2},
        {"Text1", "QLineEdit", "", "目的のcsvファイルをチェックするとここに名前がでます。", 4320, 1560, 2055, 270, 3},
        {"Command1", "QPushButton", "ファイル名が表示されたらクリック　　項目名確認", "左下の枠にcsvファイルの内容が表示されます。内容を確認してください。", 6720, 1080, 1455, 735, 4},
        {"Text2", "QPlainTextEdit", "", "csvファィルの内容が表示されます。項目名など、目的とするcsvファイルかどうかの確認をしてください。", 240, 2160, 5415, 1935, 5},
        {"Text8", "QPlainTextEdit", shownText(deliverable.text8Initial), "", 5880, 2160, 2535, 1935, 6},
        {"Text3", "QLineEdit", "", "コンピュータが計算します。間違っていれば入力してください。", 3000, 4440, 615, 270, 7},
        {"Text4", "QLineEdit", "", "生徒識別データとは生徒個々を区別できるものです。例えば学籍番号とか。", 3000, 4920, 615, 270, 8},
        {"Text5", "QLineEdit", "", "", 3000, 5400, 615, 270, 9},
        {"Text6", "QLineEdit", "", "生徒を各クラスに振り分ける際のグループを識別するデータです。例えば「音男」など。", 3000, 5880, 615, 270, 10},
        {"Text7", "QLineEdit", "", "", 3000, 6360, 615, 270, 11},
        {"Command2", "QPushButton", "左の５つの条件を入力できたらこのボタンをクリック", "右上の枠に識別、氏名、グループ、成績が表示されます。入力した「何列目」のデータが正しかどか確認しください。", 3960, 5640, 1695, 855, 12},
        {"Command3", "QPushButton", "読み込みデータが正しければ、このボタンをクリック", "右上の枠に示された４つのデータが正しければクリックしてください。", 6360, 5640, 1695, 855, 13},
        {"Label1", "QLabel", "ＣＳＶファイルの列数(計算済み)＝", "", 240, 4440, 2535, 180, 14, Fit::SizedToText},
        {"Label2", "QLabel", "生徒識別データは何列目ですか＝", "", 240, 4920, 2625, 180, 15, Fit::SizedToText},
        {"Label3", "QLabel", "クルーブ識別データは何列目か＝", "", 240, 5880, 2580, 180, 16, Fit::SizedToText},
        {"Label4", "QLabel", "生徒成績データは何列目ですか＝", "", 240, 6360, 2625, 180, 17, Fit::SizedToText},
        {"Label5", "QLabel", "ファイル名", "", 3360, 1590, 780, 180, 18, Fit::SizedToText},
        {"Label6", "QLabel", "数値の入力は半角でね", "", 3960, 4680, 1770, 180, 19, Fit::SizedToText},
        {"Label7", "QLabel", "生徒氏名は何列目ですか＝", "", 240, 5400, 2130, 180, 20, Fit::SizedToText},
        {"Label8", "QLabel", "識別、氏名、グループ、成績順に表示される。されなければ再入力", "", 5880, 4200, 2535, 375, 21},
        {"Label9", "QLabel", "Ｔａｂｷｰで次の入力枠に移動", "", 3960, 5160, 2130, 180, 22, Fit::SizedToText},
        // Under Command1, hidden until a workbook of several sheets is previewed: the Tab key passes it by.
        {"sheetList", "QComboBox", std::nullopt, "ブックのシートを選ぶと、そのシートの内容が左下の枠に表示されます。", 6720, 1845, 1695, 285},
    };
}

// Loaded on the example year: Label10 and Label11 show its counts.
std::vector<ExpectedControl> conditionsTable()
{
    const char* kButton = "classdiv::CommandButton";
    std::vector<ExpectedControl> rows{
        {"Picture1", "classdiv::PictureBox", std::nullopt, "境界点は、上位10％、（上位10％＋平均点）÷２、平均点、（下位10％＋平均点）÷２、下位10％、で設定しています。", 2880, 1800, 6015, 3615, 0},
        {"Label6", "QLabel", "分布表", "", 5400, 1440, 720, 240, 1, Fit::SizedToText, kFontPMincho, 12},
        {"Combo1", "QComboBox", "", "条件を入力するグループをチェックしてください。", 240, 600, 2535, 300, 2},
        {"Text3", "QLineEdit", "", "左のBoxで選択されているグループを何クラスに振り分けるかのクラス数を入力してください。", 3240, 600, 615, 270, 3},
        {"Label1", "QLabel", "下のBoxからクループを選択する", "", 240, 240, 2430, 180, 4, Fit::SizedToText},
        {"Command1", kButton, "グループを選択し振り分けるクラス数を入力したらクリック", "条件を入力する枠が生じます。", 5040, 240, 1695, 855, 5},
        {"Label2", "QLabel", "クラス番号", "", 240, 1080, 780, 180, 8, Fit::SizedToText},
        {"Label3", "QLabel", "振り分け人数", "", 1320, 1080, 1005, 180, 9, Fit::SizedToText},
        {"Label4", "QLabel", "振り分けるクラス数", "", 3120, 240, 1395, 180, 10, Fit::SizedToText},
        {"Command2", kButton, "　各グループ　入力データ確認ボタン", "各グループの条件入力完了時に必ずクリックしてください。入力データがファイルに保存されています。", 600, 4680, 1335, 855, 11},
        {"Command3", kButton, "前回条件の読み込み", "前回起動時に入力した条件を呼び出す際に押してください。初めての時は使用しません。", 600, 5880, 1335, 585, 12},
        {"Label5", "QLabel", "Ｔａｂｷｰで次の入力枠に移動", "", 240, 4320, 2130, 180, 13, Fit::SizedToText},
        {"Command4", kButton, "分布表表示(何回もクリック)", "クリックする度にクラス分けします。分布、平均点など最適の条件のクラス分けができます。", 3720, 5880, 1575, 615, 14},
        {"Command5", kButton, "ファイルに保存", "最適なクラス分けができたらファイル保存。csvファイルで新クラスと分布表データが保存されます。", 5880, 5880, 1455, 615, 15},
        {"Label8", "QLabel", "生徒人数", "", 7200, 360, 825, 195, 16, Fit::SizedToText, kFontPMincho, 9.75},
        {"Label9", "QLabel", "グループ数", "", 7200, 840, 870, 180, 17, Fit::SizedToText},
        {"Label10", "QLabel", "240", "", 8280, 360, 585, 180, 18, Fit::TextAtLoad},
        {"Label11", "QLabel", "6", "", 8280, 840, 585, 180, 19, Fit::TextAtLoad},
        {"Command7", kButton, "終了", "ソフトを終了します", 7920, 5880, 615, 615, 20},
    };
    // Ten plan rows below each other, walked by Tab row by row after Command1.
    for (int k = 1; k <= 10; ++k)
        for (int column : {1, 2})
            rows.push_back({QStringLiteral("Text%1(%2)").arg(column).arg(k), "QLineEdit", "", "",
                            column == 1 ? 360 : 1440, 1440 + 270 * (k - 1), 615, 270, 6});
    return rows;
}

struct WindowUnderTest {
    std::unique_ptr<QWidget> window;
    std::vector<ExpectedControl> table;
    QString caption;
    QSize clientTwips;
    std::unique_ptr<YearSession> session = nullptr; // the conditions window's year, let go after the window
    ~WindowUnderTest() { window.reset(); }
};

WindowUnderTest makeWindow(const QString& form, const Deliverable& deliverable)
{
    static StudentTable students;
    static TempFolder folder;
    static ClockRandomSource random;
    if (form == "Form1")
        return {std::make_unique<StartWindow>(deliverable),
                {{"Command1", "QPushButton", "プログラム実行", {}, 2060, 3240, 2535, 855, 0},
                 {"Command2", "QPushButton", "プログラムの解説文を読む", {}, 2060, 1680, 2535, 855, 1},
                 {"Label1", "QLabel", "クラス分けシステム", {}, 1230, 480, 4260, 525, 2, Fit::SizedToText, kFontPGothic, 26.25}},
                "Mｅｎｕ", {6720, 4770}};
    if (form == "Form4")
        return {std::make_unique<ExplanationWindow>(deliverable),
                {{"Text1", "QPlainTextEdit", shownText(explanationText()), {}, 240, 240, 7695, 4575, 0, Fit::Fixed,
                  kFontPMincho, 9.75},
                 {"Command1", "QPushButton", "プログラム実行", {}, 3240, 5040, 1695, 615, 1}},
                "解説文", {8190, 5835}};
    if (form == "Form2")
        return {std::make_unique<ImportWindow>(students, deliverable), importTable(deliverable), "データ読み込み", {8655, 6795}};
    if (students.lineCount == 0 && !(copyExamples(folder.path(), {"nen1.csv"}) && readExampleYear(folder.path(), students)))
        qFatal("the example year could not be read");
    auto session = std::make_unique<YearSession>(students, random);
    auto window = std::make_unique<ConditionsWindow>(*session, deliverable);
    return {std::move(window), conditionsTable(), "条件入力・ファイル書き出し", {9015, 6810}, std::move(session)};
}

} // namespace

class LayoutTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { useVolumes({{QDir::rootPath(), "/"}}); } // the layout must not depend on the machine's mounts

    void windowMatchesItsTable_data()
    {
        QTest::addColumn<QString>("form");
        QTest::addColumn<Deliverable>("deliverable");
        for (const char* form : {"Form1", "Form4", "Form2", "Form3"}) {
            QTest::addRow("%s varmesto", form) << QString(form) << Deliverable::varmesto();
            QTest::addRow("%s lintoraq", form) << QString(form) << Deliverable::lintoraq();
        }
    }
    void windowMatchesItsTable()
    {
        QFETCH(QString, form);
        QFETCH(Deliverable, deliverable);
        WindowUnderTest w = makeWindow(form, deliverable);
        QWidget* window = w.window.get();
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));

        QCOMPARE(window->windowTitle(), w.caption);
        // The conditions window keeps its controls in a client area below its menu bar.
        QWidget* client = window;
        if (auto* conditions = qobject_cast<ConditionsWindow*>(window)) {
            client = conditions->clientArea();
            const QWidget* bar = child(window, "menuBar");
            QCOMPARE(client->geometry().topLeft(), QPoint(0, bar->geometry().bottom() + 1));
            QCOMPARE(window->size(), client->size() + QSize(0, bar->height()));
        }
        QCOMPARE(client->size() * 15, w.clientTwips);
        const QPoint offCentre = window->geometry().center() - QGuiApplication::primaryScreen()->availableGeometry().center();
        QVERIFY2(offCentre.manhattanLength() <= 4, "the window opens centred");
        QStringList problems = checkControls(client, w.table);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));

        // Each row's control is a child of the window; as many children as rows: nothing else stands there.
        QCOMPARE(client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(), qsizetype(w.table.size()));
        std::stable_sort(w.table.begin(), w.table.end(), [](auto& a, auto& b) { return a.tab < b.tab; });
        QStringList order; // the names the Tab key visits: controls with a tab place, labels excepted
        for (const ExpectedControl& e : w.table) {
            if (e.tab >= 0 && qstrcmp(e.className, "QLabel") != 0)
                order << e.name;
            // The Windows names are drawn with their substitutes, not a fallback font.
            QCOMPARE(QFontInfo(child(window, e.name)->font()).family().toLower(), QFont::substitute(e.fontFamily).toLower());
        }

        // Opens on the first control of the Tab column; real Tab presses go once round.
        auto focused = [] { return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : "<none>"; };
        QTRY_COMPARE(focused(), order.first());
        QStringList walked{focused()};
        for (int i = 0; i < order.size() && QApplication::focusWidget(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            walked << focused();
        }
        QCOMPARE(walked, order + QStringList{order.first()});

        QCOMPARE(window->minimumSize() == window->maximumSize(), deliverable.fixedFrame);
        if (!deliverable.fixedFrame) { // a larger frame moves and scales nothing
            const QSize larger = window->size() + QSize(150, 90);
            window->resize(larger);
            QTRY_COMPARE(window->size(), larger);
            problems = checkControls(client, w.table);
            QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
        }
    }

    // Label8 wraps to two lines; the explanation opens at its title. The distribution table's box: a sunken
    // two-pixel frame around 5955 x 3555 twips, 133.4 x 128.7 table units; each text printed with its top
    // left at its point, gone when cleared.
    void boxesAsDesigned()
    {
        WindowUnderTest import = makeWindow("Form2", Deliverable::varmesto());
        auto* label8 = child<QLabel>(import.window.get(), "Label8");
        const int lineHeight = label8->fontMetrics().height(), needed = label8->heightForWidth(label8->width());
        QVERIFY(label8->wordWrap() && needed > lineHeight && needed <= label8->height() + lineHeight / 2);
        WindowUnderTest explanation = makeWindow("Form4", Deliverable::varmesto());
        QCOMPARE(child<QPlainTextEdit>(explanation.window.get(), "Text1")->textCursor().position(), 0);

        WindowUnderTest conditions = makeWindow("Form3", Deliverable::varmesto());
        auto* picture = child<PictureBox>(conditions.window.get(), "Picture1");
        QCOMPARE(picture->frameWidth(), 2);
        QCOMPARE(picture->frameShadow(), QFrame::Sunken);
        QCOMPARE(picture->contentsRect().size(), QSize(twipsToPixels(5955), twipsToPixels(3555)));
        QCOMPARE(picture->toPixels(133.4, 128.7).toPoint(), QPoint(2 + 397, 2 + 237));
        picture->setItems({{8, 4, QStringLiteral("境界点")}});
        const QImage image = picture->grab().toImage();
        const QColor background = image.pixelColor(200, 200);
        int left = image.width(), top = image.height();
        for (int y = 3; y < image.height() - 3; ++y)
            for (int x = 3; x < image.width() - 3; ++x)
                if (image.pixelColor(x, y) != background)
                    left = std::min(left, x), top = std::min(top, y);
        // 8 units = 23.8 px, 4 units = 7.4 px, inside the border
        QVERIFY2(left >= 25 && left <= 28 && top >= 9 && top <= 14, qPrintable(QStringLiteral("%1,%2").arg(left).arg(top)));
        picture->clear();
        QCOMPARE(picture->grab().toImage().pixelColor(left + 2, top + 2), background);
    }
};

CLASSDIV_GUI_TEST_MAIN(LayoutTest)
#include "tst_layout.moc"
