#include "editor/mainform/EditorUnit.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QApplication>
#include <QMenuBar>

#include <gtest/gtest.h>

using namespace dw;

namespace {

// The main menu as the window description gives it, written out here independently of the
// editor's own table: parent, name, caption ("-" = separator), hint, state letters
// (d disabled, k checkable, c checked, r radio, h hidden), tag.
struct Row {
    QString parent;
    QString name;
    QString caption;
    QString hint;
    QString state;
    int tag = 0;
};

std::vector<Row> expectedMenu()
{
    std::vector<Row> rows = {
        {"", "File1", "ファイル(&F)", "", ""},
        {"File1", "New1", "初期化（&New）", "", "d"},
        {"File1", "Open1", "開く(&Open)...", "保存したカスタムデータを読み込んで編集します。", ""},
        {"File1", "Recent1", "最近使ったファイル(&R)", "", "d"},
        {"Recent1", "RecentClear1", "一覧を消去", "最近使ったファイルの一覧を空にします。", "d"},
        {"File1", "Recover1", "復元できる時計(&V)...", "保存されずに終了した時計を一覧から選んで復元します。", ""},
        {"File1", "Overwrite1", "上書き保存(&W)", "カスタムデータを前回保存したファイル（開いたファイル）に上書きします。", ""},
        {"File1", "Save1", "保存(&Save)", "カスタムデータをファイルに保存します。", ""},
        {"File1", "SaveSources1", "ソースとして保存(&D)...", "時計を clock.toml と画像・音のファイルとしてフォルダに保存します。", ""},
        {"File1", "ExportImage1", "画像として書き出す(&I)...", "プレビューの時計を PNG 画像として書き出します。", ""},
        {"File1", "N1", "-", "", ""},
        {"File1", "Exit1", "終了(e&Xit)", "", ""},
        {"", "B1", "組み立て(&E)", "時計に使うビットマップを設定します。", ""},
        {"B1", "Undo1", "元に戻す(&U)", "直前の変更を取り消します。", "d"},
        {"B1", "Redo1", "やり直し(&R)", "取り消した変更をもう一度行います。", "d"},
        {"B1", "UndoSeparator", "-", "", ""},
        {"B1", "N5", "文字盤(&Bkgnd)", "", ""},
        {"N5", "Background1", "読込み(&Load)", "", ""},
        {"N5", "M1", "型紙の読込み(&Mask)", "白黒ビットマップを元に Window の形状を設定します。", ""},
        {"N5", "N9", "-", "", ""},
        {"N5", "N10", "デフォルト(&Default)", "デフォルトの文字盤にします。", ""},
        {"B1", "N19", "回転穴を揃える（&Center）", "時針・分針・秒針の回転穴を文字盤の同じ位置に設定します。", ""},
        {"B1", "N21", "-", "", ""},
    };
    const struct {
        const char* menu;
        const char* caption;
        const char* load;
        const char* position;
        const char* sep;
        const char* def;
        const char* which;
    } hands[] = {
        {"N6", "時針(&Hour)", "N2", "GoTo1", "N11", "N12", "時針"},
        {"N7", "分針(&Min.)", "N3", "GoTo2", "N13", "N14", "分針"},
        {"N8", "秒針(&Sec.)", "N4", "GoTo3", "N15", "N16", "秒針"},
    };
    for (const auto& h : hands) {
        const QString which = QString::fromUtf8(h.which);
        rows.push_back({"B1", h.menu, QString::fromUtf8(h.caption), "", ""});
        rows.push_back({h.menu, h.load, "読込み(&Load)", "", ""});
        rows.push_back({h.menu, h.position, "位置合わせ(&Position)",
                        QStringLiteral("文字盤と%1とこれらを留める回転穴の相対位置を調整します。").arg(which), ""});
        rows.push_back({h.menu, h.sep, "-", "", ""});
        rows.push_back({h.menu, h.def, "デフォルト(&Default)", QStringLiteral("デフォルトの%1にします。").arg(which), ""});
    }
    rows.push_back({"B1", "N31", "-", "", ""});
    rows.push_back({"B1", "ExtrudeHand1", "針が文字盤の透過部分でも表示される", "", "k"});

    rows.push_back({"", "View1", "表示(&V)", "", ""});
    rows.push_back({"View1", "ZoomIn1", "拡大(&I)", "作業台の時計を拡大して表示します。", ""});
    rows.push_back({"View1", "ZoomOut1", "縮小(&O)", "作業台の時計を縮小して表示します。", ""});
    rows.push_back({"View1", "ZoomReset1", "等倍(&A)", "作業台の時計を実際の大きさ（100%）で表示します。", ""});
    rows.push_back({"View1", "N32", "-", "", ""});
    rows.push_back({"View1", "ZoomFit1", "全体を表示(&W)", "時計の全体が作業台に収まる倍率で表示します。", ""});

    // The four sound slots, then the three animation slots: the same items, an animation's "無し"
    // and its parameters besides.
    const struct {
        const char* parent;
        const char* menu;
        const char* caption;
        int number;
    } slotMenus[] = {{"S1", "Second1", "秒(&Second)", 1},         {"S1", "Minute1", "分(&Minute)", 2},
                     {"S1", "Hour1", "時(&Hour)", 3},             {"S1", "N01", "零時(&0)", 4},
                     {"Animation1", "Minute2", "分(&Minute)", 5}, {"Animation1", "Hour2", "時(&Hour)", 6},
                     {"Animation1", "N02", "零時(&0)", 7}};
    for (const auto& m : slotMenus) {
        const bool animation = m.number >= 5;
        if (m.number == 1 || m.number == 5)
            rows.push_back({"", m.parent, animation ? "アニメーション(&Animation)" : "サウンド(&Sound)", "", ""});
        const QString menu = m.menu, n = QString::number(m.number);
        rows.push_back({m.parent, menu, QString::fromUtf8(m.caption), "", ""});
        rows.push_back({menu, "Load" + n, "読み込み(&Load)", "", ""});
        rows.push_back({menu, "byFileName" + n, "ファイル名を記録(by File&Name)", "", ""});
        rows.push_back({menu, "Silent" + n, animation ? "無し(&Silent)" : "無音(&Silent)", "", ""});
        rows.push_back({menu, "NoData" + n, "設定しない(&No Data)", "", "d"});
        rows.push_back({menu, "N" + QString::number(23 + m.number), "-", "", ""});
        if (animation)
            rows.push_back({menu, "AnimParam" + QString::number(m.number - 4), "パラメータ(&Paramator)", "", "d"});
        rows.push_back({menu, "Play" + n, "再生(&Test Play)", "", "d"});
    }

    rows.push_back({"", "O2", "オプション(&O)", "", ""});
    rows.push_back({"O2", "N17", "作業台の色(&Color)", "作業台の色を変更します。", ""});
    rows.push_back({"O2", "ShownTime1", "表示する時刻(&T)...", "プレビューに表示する時刻を指定します。保存するデータは変わりません。", ""});
    rows.push_back({"O2", "AutoReload1", "画像の変更を自動で読み込む", "読み込んだ画像のファイルが保存し直されると、時計の画像も自動で読み込み直します。", "kc"});
    rows.push_back({"O2", "Compress1", "保存ファイルの自動圧縮(Compression)", "保存ファイルを Compress.exe で自動圧縮を指定します。", "kc"});
    rows.push_back({"O2", "O1", "カスタムデータをロードする時に", "実行時に変更できる設定項目の初期値を設定できます。", ""});
    const char* groups[][4] = {
        {"N18", "1", "針の半透明化を", "半透明の針越しに文字盤が透けて見えるようにします。"},
        {"N22", "2", "時間帯で色調変化を", "時間帯により文字盤の色調を変えます（白黒、ネガ、セピア）。"},
        {"N20", "3", "サウンドの時間カウントを", ""},
        {"N23", "4", "アニメの時間カウントを", ""},
    };
    for (const auto& g : groups) {
        const QString menu = g[0], n = g[1];
        rows.push_back({"O1", menu, QString::fromUtf8(g[2]), QString::fromUtf8(g[3]), menu == "N20" ? "h" : ""});
        rows.push_back({menu, "Default" + n, "変更しない(&Default)", "前回の終了時の設定を使います。", "krc", 0});
        rows.push_back({menu, "Yes" + n, "設定して起動する(&Yes)", "", "kr", 1});
        rows.push_back({menu, "No" + n, "解除して起動する(&No)", "", "kr", 2});
    }
    rows.push_back({"", "Help1", "ヘルプ(&H)", "", ""});
    rows.push_back({"Help1", "Manual1", "説明書(&M)", "付属の説明書を開きます。", ""});
    rows.push_back({"Help1", "About1", "バージョン情報(&About)...", "", ""});
    return rows;
}

QStringList namesOf(const QList<QAction*>& actions)
{
    QStringList names;
    for (const QAction* a : actions)
        names << a->objectName();
    return names;
}

} // namespace

TEST(MainMenu, EveryMenuHoldsItsItemsInOrder)
{
    TMainForm form;
    const std::vector<Row> rows = expectedMenu();
    QStringList parents;
    for (const Row& r : rows)
        if (!parents.contains(r.parent))
            parents << r.parent;
    for (const QString& parent : parents) {
        QStringList expected;
        for (const Row& r : rows)
            if (r.parent == parent)
                expected << r.name;
        // Each slot's submenu ends, after a separator, with what the slot holds.
        static const QStringList slotMenus = {"Second1", "Minute1", "Hour1", "N01", "Minute2", "Hour2", "N02"};
        if (slotMenus.contains(parent))
            expected << QString() << QStringLiteral("SlotState%1").arg(slotMenus.indexOf(parent) + 1);
        // The recent files (none yet) come before their clear item, after a separator.
        if (parent == "Recent1")
            expected.prepend(QString());
        const QList<QAction*> actual = parent.isEmpty() ? form.MainMenu1->actions() : form.submenu(parent)->actions();
        EXPECT_EQ(namesOf(actual), expected) << "menu " << qPrintable(parent.isEmpty() ? "MainMenu1" : parent);
    }
}

TEST(MainMenu, EveryItemHasItsCaptionHintAndInitialState)
{
    TMainForm form;
    for (const Row& r : expectedMenu()) {
        SCOPED_TRACE(r.name.toStdString());
        QAction* a = form.menuItem(r.name);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->objectName(), r.name);
        EXPECT_EQ(a->isSeparator(), r.caption == "-");
        if (!a->isSeparator()) {
            EXPECT_EQ(a->text(), r.caption);
        }
        EXPECT_EQ(a->statusTip(), r.hint);
        if (r.state.contains('h')) {
            // The toolkit reports a hidden item as disabled; shown, it is enabled.
            a->setVisible(true);
            EXPECT_TRUE(a->isEnabled());
            a->setVisible(false);
        } else {
            EXPECT_EQ(a->isEnabled(), !r.state.contains('d'));
        }
        EXPECT_EQ(a->isCheckable(), r.state.contains('k'));
        EXPECT_EQ(a->isChecked(), r.state.contains('c'));
        EXPECT_EQ(a->isVisible(), !r.state.contains('h'));
        EXPECT_EQ(a->actionGroup() != nullptr, r.state.contains('r'));
        if (r.state.contains('r')) {
            EXPECT_EQ(a->data().toInt(), r.tag);
        }
        EXPECT_EQ(form.submenu(r.name) != nullptr, a->menu() != nullptr);
    }
    EXPECT_EQ(form.menuItem("NoSuchItem"), nullptr);
}

TEST(MainMenu, RadioGroupsArePerSubmenu)
{
    TMainForm form;
    form.Yes1->trigger();
    EXPECT_TRUE(form.Yes1->isChecked());
    EXPECT_FALSE(form.Default1->isChecked());
    EXPECT_FALSE(form.No1->isChecked());
    EXPECT_TRUE(form.Default2->isChecked()) << "another submenu is another group";
    EXPECT_TRUE(form.Default3->isChecked());
    EXPECT_TRUE(form.Default4->isChecked());

    form.No1->trigger();
    EXPECT_TRUE(form.No1->isChecked());
    EXPECT_FALSE(form.Yes1->isChecked());
    form.No1->trigger();
    EXPECT_TRUE(form.No1->isChecked()) << "choosing the checked item keeps it checked";

    form.Yes4->setChecked(true);
    EXPECT_FALSE(form.Default4->isChecked());
    EXPECT_TRUE(form.Default3->isChecked());
    EXPECT_NE(form.Default1->actionGroup(), form.Default2->actionGroup());
}

TEST(MainMenu, Exit1ClosesTheWindow)
{
    TMainForm form;
    form.show();
    ASSERT_TRUE(form.isVisible());
    form.Exit1->trigger();
    EXPECT_FALSE(form.isVisible());
}

// At the window's default width every title of the menu bar is shown, none behind its overflow
// button, and no title is cut.
TEST(MainMenu, EveryTitleShowsAtTheDefaultWidth)
{
    TMainForm form;
    form.show();
    ASSERT_EQ(form.width(), 568);
    QMenuBar* bar = form.MainMenu1;
    QApplication::processEvents();
    const QRect inside = bar->contentsRect();
    const QList<QAction*> titles = bar->actions();
    ASSERT_EQ(titles.size(), 7);
    for (QAction* title : titles) {
        const QRect at = bar->actionGeometry(title);
        EXPECT_TRUE(!at.isEmpty() && inside.contains(at)) << qPrintable(title->text());
        const int textWidth = bar->fontMetrics().horizontalAdvance(QString(title->text()).remove(QLatin1Char('&')));
        EXPECT_GE(at.width(), textWidth) << qPrintable(title->text());
    }
    // The overflow button (the bar's tool button) is hidden.
    for (const QWidget* child : bar->findChildren<QWidget*>())
        if (child->inherits("QToolButton")) {
            EXPECT_FALSE(child->isVisible());
        }
}
