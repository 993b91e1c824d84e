#include "Input.h"

#include "platform/FrameworkError.h"
#include "platform/MemoryStream.h"

#include <QFile>
#include <QFileInfo>

namespace pdltool {

InputFile readInput(const QString& path, const dw::MemberHolding& holding)
{
    InputFile in;
    const QFileInfo info(path);
    if (!info.exists()) {
        in.error = QStringLiteral("no such file");
        return in;
    }
    if (info.isDir()) {
        in.error = QStringLiteral("is a folder, not a file");
        return in;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        in.error = QStringLiteral("cannot be opened: ") + file.errorString();
        return in;
    }
    // A file image is held in one memory stream, so nothing larger can be one.
    if (file.size() > dw::TMemoryStream::kMaxSize) {
        in.error = QStringLiteral("is larger than a custom data file can be (2 GiB)");
        return in;
    }
    file.close();
    // Read as it is needed: only the members are ever held.
    try {
        in.data = dw::openDataFile(path, dw::CabinetReader::kMaxExtractBytes, holding);
    } catch (const dw::EFrameworkError& e) {
        in.error = QStringLiteral("cannot be read: ") + e.message();
    }
    return in;
}

} // namespace pdltool
