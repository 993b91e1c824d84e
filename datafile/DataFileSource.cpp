#include "DataFileSource.h"

#include "platform/FrameworkError.h"

namespace dw {

namespace {

constexpr const char* kDataMember = "DATA";

void readImage(OpenedDataFile& out, const uint8_t* bytes, int64_t size)
{
    out.imageSize = size;
    if (size == 0) {
        out.unreadable = out.cabinet ? QStringLiteral("the cabinet's member is empty") : QStringLiteral("the file is empty");
        return;
    }
    try {
        out.image = readFileImage(bytes, size);
    } catch (const EFrameworkError&) {
        out.image = {};
        out.unreadable = QStringLiteral("not a custom data file: its stream list states members of more than "
                                        "2 GiB in all");
        return;
    }
    if (!out.image.sound()) {
        QString reason = out.image.problems.first();
        if (reason.endsWith(QLatin1Char('.')))
            reason.chop(1);
        // The reader's sentences continue the line here.
        if (reason.size() > 1 && reason.at(0).isUpper() && reason.at(1).isLower())
            reason[0] = reason.at(0).toLower();
        if (out.image.problems.size() > 1)
            reason += QStringLiteral(" (and %1 more problems)").arg(out.image.problems.size() - 1);
        out.unreadable = QStringLiteral("not a readable custom data file: ") + reason;
    }
}

} // namespace

OpenedDataFile openDataFile(const uint8_t* bytes, int64_t size, int64_t extractLimit)
{
    OpenedDataFile out;
    out.fileSize = size;
    if (!CabinetReader::hasSignature(bytes, size)) {
        readImage(out, bytes, size);
        return out;
    }

    out.cabinet = true;
    CabinetReader cabinet;
    if (const QString problem = cabinet.open(bytes, size); !problem.isEmpty()) {
        out.unreadable = QStringLiteral("damaged cabinet: ") + problem;
        return out;
    }
    out.cabinetMembers = cabinet.members();
    out.cabinetFolders = cabinet.folderCount();
    for (size_t i = 0; i < out.cabinetMembers.size(); ++i) {
        if (out.cabinetMembers[i].name == QLatin1String(kDataMember)) {
            out.dataMember = int(i);
            break;
        }
    }
    if (out.dataMember < 0 && out.cabinetMembers.size() == 1)
        out.dataMember = 0;
    if (out.dataMember < 0) {
        out.unreadable = QStringLiteral("the cabinet holds no member named DATA");
        return out;
    }
    std::vector<uint8_t> image;
    if (const QString problem = cabinet.extract(out.dataMember, image, extractLimit); !problem.isEmpty()) {
        out.unreadable = QStringLiteral("damaged cabinet: ") + problem;
        return out;
    }
    readImage(out, image.data(), int64_t(image.size()));
    return out;
}

OpenedDataFile openDataFile(const std::vector<uint8_t>& bytes)
{
    return openDataFile(bytes.data(), int64_t(bytes.size()));
}

} // namespace dw
