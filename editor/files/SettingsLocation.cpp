#include "editor/files/SettingsLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dw {

namespace {

QString g_override;
QString g_overrideReadFrom;

// A portable copy's settings file: a regular file of the user's that the user may write (a link
// only when both the link and what it names are the user's).
bool isUsersOwnFile(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat link {}, file {};
    if (::lstat(name.constData(), &link) != 0 || ::stat(name.constData(), &file) != 0)
        return false;
    return S_ISREG(file.st_mode) && file.st_uid == ::geteuid() && link.st_uid == ::geteuid()
           && ::faccessat(AT_FDCWD, name.constData(), W_OK, AT_EACCESS) == 0;
}

} // namespace

SettingsLocation chooseSettingsLocation(const QString& besidePath, const QString& userPath)
{
    if (isUsersOwnFile(besidePath))
        return {besidePath, {}, {}};
    // The user's own file once it exists; before that the one beside the program, as whoever
    // left it there, gives the first values of the options.
    if (!QFileInfo::exists(userPath) && QFileInfo(besidePath).isFile())
        return {userPath, besidePath, {}};
    return {userPath, {}, {}};
}

QString settingsPathBesideProgram()
{
    const QFileInfo program(QCoreApplication::applicationFilePath());
    return program.dir().filePath(program.completeBaseName() + QStringLiteral(".ini"));
}

QString userSettingsPath()
{
    // GenericConfigLocation is XDG_CONFIG_HOME, or ~/.config when that is not set.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(folder).filePath(QStringLiteral("dialwright.ini"));
}

SettingsLocation settingsLocation()
{
    if (!g_override.isEmpty())
        return {g_override, g_overrideReadFrom, {}};
    return chooseSettingsLocation(settingsPathBesideProgram(), userSettingsPath());
}

void setSettingsFileOverride(const QString& path, const QString& readFrom)
{
    g_override = path;
    g_overrideReadFrom = path.isEmpty() ? QString() : readFrom;
}

} // namespace dw
