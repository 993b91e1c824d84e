#include "editor/files/SettingsLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace dw {

namespace {

QString g_override;

} // namespace

bool isWritablePath(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && info.isWritable();
}

SettingsLocation chooseSettingsLocation(const QString& besidePath, const QString& userPath,
                                        const WritableCheck& writable)
{
    const QFileInfo beside(besidePath);
    if (beside.exists() ? (beside.isFile() && writable(besidePath)) : writable(beside.absolutePath()))
        return {besidePath, {}, {}};
    // The user's own file once it exists; before that the one beside the program, as the
    // administrator left it, gives the first content.
    if (!QFileInfo::exists(userPath) && beside.isFile())
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
        return {g_override, {}, {}};
    return chooseSettingsLocation(settingsPathBesideProgram(), userSettingsPath());
}

void setSettingsFileOverride(const QString& path) { g_override = path; }

} // namespace dw
