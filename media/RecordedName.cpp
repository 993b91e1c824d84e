#include "RecordedName.h"

#include "platform/AnsiText.h"

#include <QDir>
#include <QFileInfo>

namespace dw {

QString findRecordedFile(const std::string& ansiName, const QStringList& folders)
{
    if (ansiName.empty())
        return {};
    QString name = unicodeFromAnsi(ansiName);
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    auto existing = [](const QString& path) {
        const QFileInfo info(path);
        return info.isFile() ? info.absoluteFilePath() : QString();
    };
    if (QDir::isAbsolutePath(name))
        return existing(name);
    for (const QString& folder : folders) {
        if (folder.isEmpty())
            continue;
        const QString found = existing(QDir(folder).filePath(name));
        if (!found.isEmpty())
            return found;
    }
    return {};
}

} // namespace dw
