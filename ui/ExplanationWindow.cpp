#include "ui/ExplanationWindow.h"

#include "ui/CommandButton.h"
#include "ui/Layout.h"

#include <QCloseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>

namespace classdiv {

QString explanationText()
{
    static const QStringList lines = {
        QStringLiteral("　　　　　　　　　　　　クラス分けソフトvarmesto.exeについて"),
        QString(),
        QStringLiteral("★主な内容"),
        QStringLiteral("　このソフトは、生徒をクラスに振り分けるための乱数を発生させるものです。表計算ソフトなどの"
                       "アプリケーションで作成したＣＳＶファイルからデータを読み込み、新しいクラスを加えた"
                       "ＣＳＶファイルを書き出します。"),
        QString(),
        QStringLiteral("★ＣＳＶファイルの条件"),
        QStringLiteral("　ＣＳＶファイルには、生徒一人一人を区別する番号、グループのデータ（「音男」のように、"
                       "グループを区別するコードなど）、成績の列が必要です。また、１行目には項目名を入れてください。"),
        QString(),
        QStringLiteral("　空白の行や空白のセルがあってはいけません。空白の部分も生徒のデータとして読み込まれ、"
                       "ソフトが正しく動かなくなります。"),
        QString(),
        QStringLiteral("　同じように、計算式や平均点、備考などをファイルの中に入れないでください。生徒の人数は"
                       "ファイルの終わりまで読んで数えていますので、最後の生徒より下に何かがあると人数が正しく"
                       "数えられません。"),
        QString(),
        QStringLiteral("★ソウトの使い方"),
        QStringLiteral("　このソフトは２つの画面で作業します。最初の画面では、生徒を区別する番号、グループのデータ、"
                       "成績、氏名の４つの項目を読み込みます。"),
        QString(),
        QStringLiteral("　ステップ１　ドライブとフォルダを選んで、目的のＣＳＶファイルを探します。"),
        QString(),
        QStringLiteral("　ステップ２　ファイル名が表示されたら、右上のボタン（項目名確認）を押します。左の大きな枠に"
                       "ＣＳＶファイルの内容が表示されます。ファイルが大きいと表示されないことがありますが、"
                       "差し支えありません。"),
        QString(),
        QStringLiteral("　ステップ３　４つの項目がそれぞれ左から何列目にあるかを入力し、４つの項目を読み込みます。"),
        QString(),
        QStringLiteral("　ステップ４　右の小さな枠で４つの項目が読み込まれたことを確かめて、次の画面に進みます。"),
        QString(),
        QStringLiteral("◎次の画面では、グループごとにクラス分けの条件を入力します。"),
        QString(),
        QStringLiteral("　ステップ１　コンボボックスにグループのデータが入っていることを確かめ、条件を入力する"
                       "グループを選びます。"),
        QString(),
        QStringLiteral("　ステップ２　選んだグループを何クラスに振り分けるか、クラス数を入力して右上のボタンを"
                       "クリックします。条件を入力する枠ができます。"),
        QString(),
        QStringLiteral("　ステップ３　そのグループを振り分けるクラスの番号と、それぞれのクラスに振り分ける人数を"
                       "入力します。"),
        QString(),
        QStringLiteral("　ステップ４　入力が終わったら、入力枠の下のボタンをクリックします。条件がファイルとして"
                       "記録され、ＣＳＶファイルと同じフォルダに「ファイル名.csvJYOKEN.TXT」という名前で"
                       "保存されます。"),
        QString(),
        QStringLiteral("　ステップ５　コンボボックスで別のグループを選び、ステップ１から４を繰り返します。"),
        QString(),
        QStringLiteral("　ステップ６　すべてのグループの入力が終わったら、分布表の左下のボタンを１回クリックします。"
                       "クラス分けに必要なデータを計算しますが、画面は変わりません。"),
        QString(),
        QStringLiteral("　ステップ７　分布表表示のボタンをクリックすると、クラス分けをして、クラスごと・成績の層ごとの"
                       "人数、平均点、全体の平均点、全体の平均点との差を表示します。偏りがあるようなら何回でも"
                       "クリックし直して、いちばん良いものを保存してください。"),
        QString(),
        QStringLiteral("　ステップ８　保存のボタン「ファイルに保存」で、新しいクラス番号を入れたＣＳＶファイルを"
                       "書き出します。４つの項目と新しいクラスが入り、クラス番号はいちばん左の列です。行の順番は"
                       "読み込んだファイルと同じなので、元のファイルと簡単に結び付けられます。ファイルの最後には"
                       "分布表が付きます。"),
        QString(),
        QStringLiteral("★乱数発生の基本的な考え方"),
        QStringLiteral("　例えば２４０人を６クラスに分けるとき、成績順に１番から６番の生徒に１から６の数を重ならない"
                       "ように乱数で割り当て、次に７番から１２番の生徒にも同じように割り当てる、ということを"
                       "最後の生徒まで繰り返します。例えば次のようになります。"),
        QString(),
        QStringLiteral("席　　次    1    2　　3　　4　　5　　6　　7　　8　　9　　10　　11　　12"),
        QString(),
        QStringLiteral("ｸﾗｽ番号     2　　5　　3　　6　　4　　1　　4　　3　　1 　　6　 　2 　　5"),
        QString(),
        QStringLiteral("　というような乱数を発生させ、生徒を各クラスに均等に振り分けています。"),
        QString(),
        QStringLiteral("★最後に"),
        QStringLiteral("　このソフトは、エクセル、桐、ロータス123、アクセスなどのアプリケーションソフトと"
                       "組み合わせて使うことを考えて作りました。インストールは、好きな場所にフォルダを作り"
                       "（フロッピィーディスクでもかまいません）、そこへvarmesto.exeをコピーして、エクスプローラー"
                       "からダブルクリックで起動してください。ショートカットのアイコンを作っておいても便利です。"),
    };
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

ExplanationWindow::ExplanationWindow(const Deliverable& deliverable, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(kExplanationCaption);

    auto* text = new QPlainTextEdit(this);
    text->setObjectName(QStringLiteral("Text1"));
    text->setFont(layoutFont(kFontPMincho, 9.75));
    text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A text box passes Tab on to the next control rather than typing it.
    text->setTabChangesFocus(true);
    text->setPlainText(explanationText());
    placeTwips(text, 240, 240, 7695, 4575);

    auto* run = new CommandButton(QStringLiteral("プログラム実行"), this);
    run->setObjectName(QStringLiteral("Command1"));
    run->setFont(layoutFont(kFontPMincho, 9));
    placeTwips(run, 3240, 5040, 1695, 615);

    setTabOrder(text, run);
    connect(run, &QPushButton::clicked, this, &ExplanationWindow::runRequested);

    setupWindowFrame(this, 8190, 5835, deliverable);
}

void ExplanationWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
    emit closedByUser();
}

} // namespace classdiv
