// The settings file: the editor's preferences (compression, the workbench colour, the window's
// placement, the folder of the picture taken last) and the last load-time option choices, read at start and written at exit.
#include "editor/mainform/EditorUnit.h"

#include "editor/positioning/HandUnit.h"
#include "editor/widgets/ScrollBox.h"

#include "platform/ProfileFile.h"
#include "platform/Seam.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMargins>
#include <QScreen>

#include <algorithm>

namespace dw {

namespace {

const QString kOption = QStringLiteral("Option");
const QString kWindow = QStringLiteral("Window");
const QString kPictureFolder = QStringLiteral("PictureFolder");
const QString kPositioning = QStringLiteral("Positioning");
const QString kView = QStringLiteral("View");
const char* const kGroupKeys[4] = {"Translucent", "ColorEffect", "CountHourSound", "CountHourAnimation"};

constexpr int kDefaultWidth = 568;
constexpr int kDefaultHeight = 460;
// Protection against a hand-edited file: a window wider or taller than this is no placement a
// user made, and the defaults are taken instead.
constexpr int kMaxWindowExtent = 16384;
// How much of the window's top edge (where its caption is) must lie on a screen for the user
// to reach it with the mouse.
constexpr int kReachableWidth = 48;
constexpr int kReachableHeight = 16;

// Window systems place windows within 16-bit coordinates; anything beyond is on no screen (and
// would overflow the rectangle arithmetic below).
constexpr int kMaxWindowCoordinate = 32767;
// Room kept for the frame a window manager draws around the window (the settings hold the
// window's own area, without it): the caption above, a border on the other sides.
constexpr QMargins kFrameAllowance(4, 28, 4, 4);

bool plausibleExtent(std::optional<int32_t> v) { return v && *v > 0 && *v <= kMaxWindowExtent; }
bool plausibleCoordinate(int v) { return v >= -kMaxWindowCoordinate && v <= kMaxWindowCoordinate; }

bool reachableOnAScreen(const QRect& window)
{
    const QRect top(window.left(), window.top(), window.width(), std::min(window.height(), 40));
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect visible = top.intersected(screen->availableGeometry());
        if (visible.width() >= std::min(kReachableWidth, window.width())
            && visible.height() >= std::min(kReachableHeight, window.height()))
            return true;
    }
    return false;
}

// The screen the window is mostly on; the primary screen when it is on none.
const QScreen* screenOf(const QRect& window)
{
    const QScreen* best = QGuiApplication::primaryScreen();
    int64_t bestArea = 0;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect common = window.intersected(screen->availableGeometry());
        const int64_t area = int64_t(common.width()) * common.height();
        if (area > bestArea)
            best = screen, bestArea = area;
    }
    return best;
}

// A window larger than the available area of its screen (a user coming from a bigger monitor) is
// made to fit it, frame included, and moved onto it as far as it reaches beyond; a window that
// fits stays exactly where it was.
QRect fittedToScreen(QRect window, const QScreen* screen)
{
    if (!screen)
        return window;
    const QRect area = screen->availableGeometry().marginsRemoved(kFrameAllowance);
    if (area.isEmpty() || screen->availableGeometry().contains(window))
        return window;
    window.setWidth(std::min(window.width(), area.width()));
    window.setHeight(std::min(window.height(), area.height()));
    window.moveLeft(std::clamp(window.left(), area.left(), area.right() + 1 - window.width()));
    window.moveTop(std::clamp(window.top(), area.top(), area.bottom() + 1 - window.height()));
    return window;
}

// A settings file that was not read whole is never written: the few keys the program writes
// would replace whatever else the user keeps in it. The first time that happens the user is told
// which file is left alone and why; the location remembers it. Returns whether it is left alone.
bool leaveUnreadFile(SettingsLocation& where, const ProfileFile& ini)
{
    if (!where.leftAsItIs.isEmpty())
        return true;
    if (ini.mayBeWritten())
        return false;
    switch (ini.readState()) {
    case ProfileFile::ReadState::TooLarge:
        where.leftAsItIs = QStringLiteral("%1 MiB を超えています").arg(ProfileFile::kMaxFileSize >> 20);
        break;
    case ProfileFile::ReadState::NotText: where.leftAsItIs = QStringLiteral("テキストファイルではありません"); break;
    default: where.leftAsItIs = QStringLiteral("読み込めません: %1").arg(ini.readError()); break;
    }
    seam::messageBox(QStringLiteral("設定ファイル %1 を読み込めないため（%2）、既定の設定で起動します。\n"
                                    "このファイルはそのまま残し、終了時にも書き込みません。")
                         .arg(QDir::toNativeSeparators(where.path), where.leftAsItIs),
                     seam::applicationTitle(), seam::MB_OK | seam::MB_ICONWARNING);
    return true;
}

// What a settings file beside the program that is not the user's gives: the options and the
// colour, never the recent files, the folder or the window placements of whoever left it.
// One it cannot read whole gives nothing.
void keepOnlyTheOptions(ProfileFile& ini)
{
    if (!ini.mayBeWritten())
        ini = ProfileFile::fromContents(ini.fileName(), QByteArray());
    ini.keepOnlySection(kOption);
    ini.DeleteKey(kOption, kPictureFolder);
}

} // namespace

std::array<std::array<QAction*, 3>, 4> TMainForm::optionGroups() const
{
    return {{{Default1, Yes1, No1}, {Default2, Yes2, No2}, {Default3, Yes3, No3}, {Default4, Yes4, No4}}};
}

void TMainForm::readSettings()
{
    m_settings = settingsLocation();
    ProfileFile ini(m_settings.path, m_settings.readFrom);
    if (m_settings.readFrom.isEmpty())
        leaveUnreadFile(m_settings, ini);
    else
        keepOnlyTheOptions(ini);
    Compress1->setChecked(ini.ReadBool(kOption, QStringLiteral("Compress"), Compress1->isChecked()));
    AutoReload1->setChecked(ini.ReadBool(kOption, QStringLiteral("AutoReload"), AutoReload1->isChecked()));
    const auto groups = optionGroups();
    for (size_t g = 0; g < groups.size(); ++g) {
        // 0 Default, 1 Yes, 2 No; anything else leaves the group as it is (at Default).
        const int32_t v = ini.ReadInteger(kOption, QString::fromLatin1(kGroupKeys[g]), 0);
        if (v >= 0 && v <= 2)
            groups[g][size_t(v)]->setChecked(true);
    }
    ScrollBox1->setColor(ini.ReadInteger(kOption, QStringLiteral("WorkWinColor"), ScrollBox1->color()));
    restorePlacement(ini);
    readPositioning(ini);
    // The work area's zoom; a value that is no zoom of the view leaves it at 100 %.
    const std::optional<int32_t> zoom = ini.readInteger(kView, QStringLiteral("Zoom"));
    setViewZoom(zoom && *zoom >= 1 && *zoom <= ZoomLevel::kPercents.back() ? ZoomLevel::viewing(*zoom) : ZoomLevel(100));
    readRecentFiles(ini);
    // Where the picture dialog opens: a folder named by its whole path, or nowhere in particular.
    const QString folder = ini.readString(kOption, kPictureFolder).value_or(QString());
    m_pictureFolder = QDir::isAbsolutePath(folder) ? folder : QString();
}

void TMainForm::readPositioning(const ProfileFile& ini)
{
    const std::optional<int32_t> width = ini.readInteger(kPositioning, QStringLiteral("Width"));
    const std::optional<int32_t> height = ini.readInteger(kPositioning, QStringLiteral("Height"));
    if (plausibleExtent(width) && plausibleExtent(height))
        m_positioning.size = QSize(*width, *height);
    // A zoom that is no level of the dialog's is no zoom a user chose.
    const std::optional<int32_t> zoom = ini.readInteger(kPositioning, QStringLiteral("Zoom"));
    if (zoom && std::find(ZoomLevel::kPercents.begin(), ZoomLevel::kPercents.end(), *zoom) != ZoomLevel::kPercents.end())
        m_positioning.zoom = *zoom;
}

void TMainForm::applyPositioningSettings()
{
    if (m_positioning.applied || !HandForm)
        return;
    m_positioning.applied = true;
    if (m_positioning.zoom)
        HandForm->setZoom(ZoomLevel(*m_positioning.zoom));
    if (m_positioning.size)
        HandForm->keepSize(*m_positioning.size);
}

void TMainForm::sizePositioningDialog()
{
    // The dialog opens over the main window, on its screen, frame and all.
    const QScreen* shown = screen() ? screen() : QGuiApplication::primaryScreen();
    const QRect room = shown ? shown->availableGeometry().marginsRemoved(kFrameAllowance) : QRect();
    HandForm->sizeForShowing(room.isValid() ? room.size() : QSize());
}

void TMainForm::keepPositioningSettings()
{
    if (!HandForm)
        return;
    m_positioning.size = HandForm->userSize();
    m_positioning.zoom = HandForm->zoom().percent();
}

void TMainForm::restorePlacement(const ProfileFile& ini)
{
    const std::optional<int32_t> left = ini.readInteger(kWindow, QStringLiteral("Left"));
    const std::optional<int32_t> top = ini.readInteger(kWindow, QStringLiteral("Top"));
    const std::optional<int32_t> width = ini.readInteger(kWindow, QStringLiteral("Width"));
    const std::optional<int32_t> height = ini.readInteger(kWindow, QStringLiteral("Height"));
    bool placedFromSettings = false;
    // A size of 0, a negative one or an absurd one is no size: the defaults.
    // Smaller than its controls need, the window could not have been made by the user: it
    // keeps room for them.
    const QSize least = minimumSizeHint();
    const int w = std::max(plausibleExtent(width) ? *width : kDefaultWidth, least.width());
    const int h = std::max(plausibleExtent(height) ? *height : kDefaultHeight, least.height());
    // The settings hold the window's own area (without the frame) and it is put back as such:
    // saved and restored in the same measure, the window comes back exactly where it was.
    // Without a stored position the system places the new window; a position that would put the
    // window out of reach of every screen is ignored the same way.
    if (left || top) {
        const int l = left.value_or(geometry().x());
        const int t = top.value_or(geometry().y());
        if (plausibleCoordinate(l) && plausibleCoordinate(t) && reachableOnAScreen(QRect(l, t, w, h))) {
            setGeometry(fittedToScreen(QRect(l, t, w, h), screenOf(QRect(l, t, w, h))));
            placedFromSettings = true;
        }
    }
    if (!placedFromSettings) {
        const QScreen* primary = QGuiApplication::primaryScreen();
        const QPoint corner = primary ? primary->availableGeometry().topLeft() : QPoint();
        resize(fittedToScreen(QRect(corner, QSize(w, h)), primary).size());
    }
    if (ini.ReadBool(kWindow, QStringLiteral("Maximized"), false))
        setWindowState(windowState() | Qt::WindowMaximized);
}

void TMainForm::writeSettings()
{
    // Read again now, so that what the user changed in the file meanwhile stays.
    const QString& path = m_settings.path;
    const bool fresh = !QFileInfo::exists(path);
    ProfileFile ini(path, fresh ? m_settings.readFrom : QString());
    if (!fresh && leaveUnreadFile(m_settings, ini))
        return;
    if (fresh && !m_settings.readFrom.isEmpty())
        keepOnlyTheOptions(ini);
    ini.WriteBool(kOption, QStringLiteral("Compress"), Compress1->isChecked());
    ini.WriteBool(kOption, QStringLiteral("AutoReload"), AutoReload1->isChecked());
    const auto groups = optionGroups();
    for (size_t g = 0; g < groups.size(); ++g)
        for (int32_t v = 0; v < 3; ++v)
            if (groups[g][size_t(v)]->isChecked()) {
                ini.WriteInteger(kOption, QString::fromLatin1(kGroupKeys[g]), v);
                break;
            }
    ini.WriteInteger(kOption, QStringLiteral("WorkWinColor"), ScrollBox1->color());
    // The restored rectangle, also while the window is maximised or minimised: the window's own
    // area, as restorePlacement puts it back.
    const bool restored = !(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen));
    QRect placement = restored ? geometry() : normalGeometry();
    if (!placement.isValid())
        placement = geometry();
    ini.WriteInteger(kWindow, QStringLiteral("Left"), placement.left());
    ini.WriteInteger(kWindow, QStringLiteral("Top"), placement.top());
    ini.WriteInteger(kWindow, QStringLiteral("Width"), placement.width());
    ini.WriteInteger(kWindow, QStringLiteral("Height"), placement.height());
    ini.WriteBool(kWindow, QStringLiteral("Maximized"), windowState() & Qt::WindowMaximized);
    ini.WriteInteger(kView, QStringLiteral("Zoom"), m_viewZoom.percent());
    // The positioning dialog's, once it had them; else the file keeps what it holds.
    if (m_positioning.applied) {
        // A size the dialog took from what it showed is no size the user chose: without one the
        // dialog keeps fitting its dial at the next start.
        if (m_positioning.size) {
            ini.WriteInteger(kPositioning, QStringLiteral("Width"), m_positioning.size->width());
            ini.WriteInteger(kPositioning, QStringLiteral("Height"), m_positioning.size->height());
        }
        if (m_positioning.zoom)
            ini.WriteInteger(kPositioning, QStringLiteral("Zoom"), *m_positioning.zoom);
    }
    writeRecentFiles(ini);
    // A name with a line end cannot be one line of the file.
    if (!m_pictureFolder.isEmpty() && !m_pictureFolder.contains(QLatin1Char('\n')) && !m_pictureFolder.contains(QLatin1Char('\r')))
        ini.WriteString(kOption, kPictureFolder, m_pictureFolder);
    // The user's configuration folder may not exist yet.
    QDir().mkpath(QFileInfo(path).absolutePath());
    ini.UpdateFile();
}

} // namespace dw
