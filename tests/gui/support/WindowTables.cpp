#include "support/WindowTables.h"

#include "ui/ExplanationWindow.h"
#include "ui/Layout.h"

namespace classdiv::testing {

std::vector<ExpectedControl> startWindowTable()
{
    return {
        {"Command1", "QPushButton", "プログラム実行", {}, 2060, 3240, 2535, 855, kFontPMincho, 9, 0, false},
        {"Command2", "QPushButton", "プログラムの解説文を読む", {}, 2060, 1680, 2535, 855, kFontPMincho, 9, 1, false},
        {"Label1", "QLabel", "クラス分けシステム", {}, 1230, 480, 4260, 525, kFontPGothic, 26.25, 2, true},
    };
}

std::vector<ExpectedControl> explanationWindowTable()
{
    // A plain text box shows CR LF as one line break.
    QString shown = explanationText();
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return {
        {"Text1", "QPlainTextEdit", shown, {}, 240, 240, 7695, 4575, kFontPMincho, 9.75, 0, false},
        {"Command1", "QPushButton", "プログラム実行", {}, 3240, 5040, 1695, 615, kFontPMincho, 9, 1, false},
    };
}

std::vector<ExpectedControl> importWindowTable(const Deliverable& deliverable)
{
    const QString& f = kFontPMincho;
    QString text8 = deliverable.text8Initial;
    text8.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return {
        {"Drive1", "QComboBox", std::nullopt, "csvファイルのあるドライブを探します。", 240, 240, 2655, 300, f, 9, 0},
        {"Dir1", "QListWidget", std::nullopt, "csvファイルのあるホルダーを探します。", 240, 720, 2655, 1140, f, 9, 1},
        {"File1", "QListWidget", std::nullopt, "目的のcsvファイルをチェックします。", 3360, 240, 3015, 1170, f, 9, 2},
        {"Text1", "QLineEdit", "", "目的のcsvファイルをチェックするとここに名前がでます。", 4320, 1560, 2055, 270, f, 9,
         3},
        {"Command1", "QPushButton", "ファイル名が表示されたらクリック　　項目名確認",
         "左下の枠にcsvファイルの内容が表示されます。内容を確認してください。", 6720, 1080, 1455, 735, f, 9, 4},
        {"Text2", "QPlainTextEdit", "",
         "csvファィルの内容が表示されます。項目名など、目的とするcsvファイルかどうかの確認をしてください。", 240,
         2160, 5415, 1935, f, 9, 5},
        {"Text8", "QPlainTextEdit", text8, {}, 5880, 2160, 2535, 1935, f, 9, 6},
        {"Text3", "QLineEdit", "", "コンピュータが計算します。間違っていれば入力してください。", 3000, 4440, 615, 270,
         f, 9, 7},
        {"Text4", "QLineEdit", "", "生徒識別データとは生徒個々を区別できるものです。例えば学籍番号とか。", 3000, 4920,
         615, 270, f, 9, 8},
        {"Text5", "QLineEdit", "", {}, 3000, 5400, 615, 270, f, 9, 9},
        {"Text6", "QLineEdit", "",
         "生徒を各クラスに振り分ける際のグループを識別するデータです。例えば「音男」など。", 3000, 5880, 615, 270, f,
         9, 10},
        {"Text7", "QLineEdit", "", {}, 3000, 6360, 615, 270, f, 9, 11},
        {"Command2", "QPushButton", "左の５つの条件を入力できたらこのボタンをクリック",
         "右上の枠に識別、氏名、グループ、成績が表示されます。入力した「何列目」のデータが正しかどか確認しください。",
         3960, 5640, 1695, 855, f, 9, 12},
        {"Command3", "QPushButton", "読み込みデータが正しければ、このボタンをクリック",
         "右上の枠に示された４つのデータが正しければクリックしてください。", 6360, 5640, 1695, 855, f, 9, 13},
        {"Label1", "QLabel", "ＣＳＶファイルの列数(計算済み)＝", {}, 240, 4440, 2535, 180, f, 9, 14, true},
        {"Label2", "QLabel", "生徒識別データは何列目ですか＝", {}, 240, 4920, 2625, 180, f, 9, 15, true},
        {"Label3", "QLabel", "クルーブ識別データは何列目か＝", {}, 240, 5880, 2580, 180, f, 9, 16, true},
        {"Label4", "QLabel", "生徒成績データは何列目ですか＝", {}, 240, 6360, 2625, 180, f, 9, 17, true},
        {"Label5", "QLabel", "ファイル名", {}, 3360, 1590, 780, 180, f, 9, 18, true},
        {"Label6", "QLabel", "数値の入力は半角でね", {}, 3960, 4680, 1770, 180, f, 9, 19, true},
        {"Label7", "QLabel", "生徒氏名は何列目ですか＝", {}, 240, 5400, 2130, 180, f, 9, 20, true},
        {"Label8", "QLabel", "識別、氏名、グループ、成績順に表示される。されなければ再入力", {}, 5880, 4200, 2535, 375,
         f, 9, 21, false},
        {"Label9", "QLabel", "Ｔａｂｷｰで次の入力枠に移動", {}, 3960, 5160, 2130, 180, f, 9, 22, true},
    };
}

} // namespace classdiv::testing
