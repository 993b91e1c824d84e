#include "Input.h"

#include "platform/MemoryStream.h"

#include <QFile>
#include <QFileInfo>

#include <vector>

namespace pdltool {

InputFile readInput(const QString& path)
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
    const qint64 size = file.size();
    if (size > dw::TMemoryStream::kMaxSize) {
        in.error = QStringLiteral("is larger than a custom data file can be (2 GiB)");
        return in;
    }
    std::vector<uint8_t> bytes;
    try {
        bytes.resize(size_t(size));
    } catch (const std::bad_alloc&) {
        in.error = QStringLiteral("there is not enough memory to read it");
        return in;
    }
    qint64 got = 0;
    while (got < size) {
        const qint64 n = file.read(reinterpret_cast<char*>(bytes.data()) + got, size - got);
        if (n <= 0) {
            in.error = QStringLiteral("cannot be read: ") + file.errorString();
            return in;
        }
        got += n;
    }
    in.data = dw::openDataFile(bytes);
    return in;
}

} // namespace pdltool
