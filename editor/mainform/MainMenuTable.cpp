#include "editor/mainform/MainMenuTable.h"

#include "editor/mainform/EditorUnit.h"

namespace dw {

namespace {

using E = MainMenuEntry;
constexpr unsigned kDisabled = E::Disabled;
constexpr unsigned kChecked = E::Checked;
constexpr unsigned kCheckable = E::Checkable;
constexpr unsigned kRadio = E::Radio;
constexpr unsigned kHidden = E::Hidden;

#define ITEM(depth, field, caption, hint, state) {depth, &TMainForm::field, #field, caption, hint, state, 0}
#define SEP(depth, field) {depth, &TMainForm::field, #field, "-", "", E::Plain, 0}
#define OPTION(depth, field, caption, hint, state, tag) {depth, &TMainForm::field, #field, caption, hint, state, tag}

const char kOptionDefault[] = "変更しない(&Default)";
const char kOptionDefaultHint[] = "前回の終了時の設定を使います。";
const char kOptionYes[] = "設定して起動する(&Yes)";
const char kOptionNo[] = "解除して起動する(&No)";

const char kSlotLoad[] = "読み込み(&Load)";
const char kSlotByFileName[] = "ファイル名を記録(by File&Name)";
const char kSoundSilent[] = "無音(&Silent)";
const char kAnimNone[] = "無し(&Silent)";
const char kSlotNoData[] = "設定しない(&No Data)";
const char kSlotParams[] = "パラメータ(&Paramator)";
const char kSlotPlay[] = "再生(&Test Play)";

const MainMenuEntry kEntries[] = {
    ITEM(0, File1, "ファイル(&F)", "", 0),
    ITEM(1, New1, "初期化（&New）", "", kDisabled),
    ITEM(1, Open1, "開く(&Open)...", "保存したカスタムデータを読み込んで編集します。", 0),
    ITEM(1, Recent1, "最近使ったファイル(&R)", "", 0),
    ITEM(2, RecentClear1, "一覧を消去", "最近使ったファイルの一覧を空にします。", 0),
    ITEM(1, Recover1, "復元できる時計(&V)...", "保存されずに終了した時計を一覧から選んで復元します。", 0),
    ITEM(1, Overwrite1, "上書き保存(&W)", "カスタムデータを前回保存したファイル（開いたファイル）に上書きします。", 0),
    ITEM(1, Save1, "保存(&Save)", "カスタムデータをファイルに保存します。", 0),
    ITEM(1, SaveSources1, "ソースとして保存(&D)...", "時計を clock.toml と画像・音のファイルとしてフォルダに保存します。", 0),
    ITEM(1, ExportImage1, "画像として書き出す(&I)...", "プレビューの時計を PNG 画像として書き出します。", 0),
    SEP(1, N1),
    ITEM(1, Exit1, "終了(e&Xit)", "", 0),

    ITEM(0, B1, "組み立て(&E)", "時計に使うビットマップを設定します。", 0),
    ITEM(1, Undo1, "元に戻す(&U)", "直前の変更を取り消します。", kDisabled),
    ITEM(1, Redo1, "やり直し(&R)", "取り消した変更をもう一度行います。", kDisabled),
    SEP(1, UndoSeparator),
    ITEM(1, N5, "文字盤(&Bkgnd)", "", 0),
    ITEM(2, Background1, "読込み(&Load)", "", 0),
    ITEM(2, M1, "型紙の読込み(&Mask)", "白黒ビットマップを元に Window の形状を設定します。", 0),
    SEP(2, N9),
    ITEM(2, N10, "デフォルト(&Default)", "デフォルトの文字盤にします。", 0),
    ITEM(1, N19, "回転穴を揃える（&Center）", "時針・分針・秒針の回転穴を文字盤の同じ位置に設定します。", 0),
    SEP(1, N21),
    ITEM(1, N6, "時針(&Hour)", "", 0),
    ITEM(2, N2, "読込み(&Load)", "", 0),
    ITEM(2, GoTo1, "位置合わせ(&Position)", "文字盤と時針とこれらを留める回転穴の相対位置を調整します。", 0),
    SEP(2, N11),
    ITEM(2, N12, "デフォルト(&Default)", "デフォルトの時針にします。", 0),
    ITEM(1, N7, "分針(&Min.)", "", 0),
    ITEM(2, N3, "読込み(&Load)", "", 0),
    ITEM(2, GoTo2, "位置合わせ(&Position)", "文字盤と分針とこれらを留める回転穴の相対位置を調整します。", 0),
    SEP(2, N13),
    ITEM(2, N14, "デフォルト(&Default)", "デフォルトの分針にします。", 0),
    ITEM(1, N8, "秒針(&Sec.)", "", 0),
    ITEM(2, N4, "読込み(&Load)", "", 0),
    ITEM(2, GoTo3, "位置合わせ(&Position)", "文字盤と秒針とこれらを留める回転穴の相対位置を調整します。", 0),
    SEP(2, N15),
    ITEM(2, N16, "デフォルト(&Default)", "デフォルトの秒針にします。", 0),
    SEP(1, N31),
    ITEM(1, ExtrudeHand1, "針が文字盤の透過部分でも表示される", "", kCheckable),

    ITEM(0, View1, "表示(&V)", "", 0),
    ITEM(1, ZoomIn1, "拡大(&I)", "作業台の時計を拡大して表示します。", 0),
    ITEM(1, ZoomOut1, "縮小(&O)", "作業台の時計を縮小して表示します。", 0),
    ITEM(1, ZoomReset1, "等倍(&A)", "作業台の時計を実際の大きさ（100%）で表示します。", 0),
    SEP(1, N32),
    ITEM(1, ZoomFit1, "全体を表示(&W)", "時計の全体が作業台に収まる倍率で表示します。", 0),

    ITEM(0, S1, "サウンド(&Sound)", "", 0),
    ITEM(1, Second1, "秒(&Second)", "", 0),
    ITEM(2, Load1, kSlotLoad, "", 0),
    ITEM(2, byFileName1, kSlotByFileName, "", 0),
    ITEM(2, Silent1, kSoundSilent, "", 0),
    ITEM(2, NoData1, kSlotNoData, "", kDisabled),
    SEP(2, N24),
    ITEM(2, Play1, kSlotPlay, "", kDisabled),
    ITEM(1, Minute1, "分(&Minute)", "", 0),
    ITEM(2, Load2, kSlotLoad, "", 0),
    ITEM(2, byFileName2, kSlotByFileName, "", 0),
    ITEM(2, Silent2, kSoundSilent, "", 0),
    ITEM(2, NoData2, kSlotNoData, "", kDisabled),
    SEP(2, N25),
    ITEM(2, Play2, kSlotPlay, "", kDisabled),
    ITEM(1, Hour1, "時(&Hour)", "", 0),
    ITEM(2, Load3, kSlotLoad, "", 0),
    ITEM(2, byFileName3, kSlotByFileName, "", 0),
    ITEM(2, Silent3, kSoundSilent, "", 0),
    ITEM(2, NoData3, kSlotNoData, "", kDisabled),
    SEP(2, N26),
    ITEM(2, Play3, kSlotPlay, "", kDisabled),
    ITEM(1, N01, "零時(&0)", "", 0),
    ITEM(2, Load4, kSlotLoad, "", 0),
    ITEM(2, byFileName4, kSlotByFileName, "", 0),
    ITEM(2, Silent4, kSoundSilent, "", 0),
    ITEM(2, NoData4, kSlotNoData, "", kDisabled),
    SEP(2, N27),
    ITEM(2, Play4, kSlotPlay, "", kDisabled),

    ITEM(0, Animation1, "アニメーション(&Animation)", "", 0),
    ITEM(1, Minute2, "分(&Minute)", "", 0),
    ITEM(2, Load5, kSlotLoad, "", 0),
    ITEM(2, byFileName5, kSlotByFileName, "", 0),
    ITEM(2, Silent5, kAnimNone, "", 0),
    ITEM(2, NoData5, kSlotNoData, "", kDisabled),
    SEP(2, N28),
    ITEM(2, AnimParam1, kSlotParams, "", kDisabled),
    ITEM(2, Play5, kSlotPlay, "", kDisabled),
    ITEM(1, Hour2, "時(&Hour)", "", 0),
    ITEM(2, Load6, kSlotLoad, "", 0),
    ITEM(2, byFileName6, kSlotByFileName, "", 0),
    ITEM(2, Silent6, kAnimNone, "", 0),
    ITEM(2, NoData6, kSlotNoData, "", kDisabled),
    SEP(2, N29),
    ITEM(2, AnimParam2, kSlotParams, "", kDisabled),
    ITEM(2, Play6, kSlotPlay, "", kDisabled),
    ITEM(1, N02, "零時(&0)", "", 0),
    ITEM(2, Load7, kSlotLoad, "", 0),
    ITEM(2, byFileName7, kSlotByFileName, "", 0),
    ITEM(2, Silent7, kAnimNone, "", 0),
    ITEM(2, NoData7, kSlotNoData, "", kDisabled),
    SEP(2, N30),
    ITEM(2, AnimParam3, kSlotParams, "", kDisabled),
    ITEM(2, Play7, kSlotPlay, "", kDisabled),

    ITEM(0, O2, "オプション(&O)", "", 0),
    ITEM(1, N17, "作業台の色(&Color)", "作業台の色を変更します。", 0),
    ITEM(1, ShownTime1, "表示する時刻(&T)...", "プレビューに表示する時刻を指定します。保存するデータは変わりません。", 0),
    ITEM(1, AutoReload1, "画像の変更を自動で読み込む", "読み込んだ画像のファイルが保存し直されると、時計の画像も自動で読み込み直します。", kChecked),
    ITEM(1, Compress1, "保存ファイルの自動圧縮(Compression)", "保存ファイルを Compress.exe で自動圧縮を指定します。", kChecked),
    ITEM(1, O1, "カスタムデータをロードする時に", "実行時に変更できる設定項目の初期値を設定できます。", 0),
    ITEM(2, N18, "針の半透明化を", "半透明の針越しに文字盤が透けて見えるようにします。", 0),
    OPTION(3, Default1, kOptionDefault, kOptionDefaultHint, kRadio | kChecked, 0),
    OPTION(3, Yes1, kOptionYes, "", kRadio, 1),
    OPTION(3, No1, kOptionNo, "", kRadio, 2),
    ITEM(2, N22, "時間帯で色調変化を", "時間帯により文字盤の色調を変えます（白黒、ネガ、セピア）。", 0),
    OPTION(3, Default2, kOptionDefault, kOptionDefaultHint, kRadio | kChecked, 0),
    OPTION(3, Yes2, kOptionYes, "", kRadio, 1),
    OPTION(3, No2, kOptionNo, "", kRadio, 2),
    // Follows the animation group (Default4, Yes4, No4); the user never sees it.
    ITEM(2, N20, "サウンドの時間カウントを", "", kHidden),
    OPTION(3, Default3, kOptionDefault, kOptionDefaultHint, kRadio | kChecked, 0),
    OPTION(3, Yes3, kOptionYes, "", kRadio, 1),
    OPTION(3, No3, kOptionNo, "", kRadio, 2),
    ITEM(2, N23, "アニメの時間カウントを", "", 0),
    OPTION(3, Default4, kOptionDefault, kOptionDefaultHint, kRadio | kChecked, 0),
    OPTION(3, Yes4, kOptionYes, "", kRadio, 1),
    OPTION(3, No4, kOptionNo, "", kRadio, 2),

    ITEM(0, Help1, "ヘルプ(&H)", "", 0),
    ITEM(1, Manual1, "説明書(&M)", "付属の説明書を開きます。", 0),
    ITEM(1, About1, "バージョン情報(&About)...", "", 0),
};

#undef ITEM
#undef SEP
#undef OPTION

} // namespace

std::span<const MainMenuEntry> mainMenuEntries() { return kEntries; }

} // namespace dw
