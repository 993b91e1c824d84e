#include "DataFileSource.h"

#include "DataFileLayout.h"
#include "DataFileLimits.h"
#include "FileImageReader.h"

#include "platform/FileStream.h"
#include "platform/FrameworkError.h"

#include <algorithm>
#include <memory>

namespace dw {

namespace {

constexpr const char* kDataMember = "DATA";
// Plain files are read this much at a time.
constexpr int64_t kReadBlock = int64_t(1) << 20;

std::unique_ptr<FileImageReader> imageReader(int64_t size, const MemberHolding& holding)
{
    return std::make_unique<FileImageReader>(
        size, [](int index, int64_t bytes) { return pdl::memberSizeProblem(index, bytes); }, holding);
}

// The reader's result as the file's: its members, or why there are none.
void finishImage(OpenedDataFile& out, FileImageReader& reader)
{
    try {
        out.image = reader.finish();
    } catch (const EFrameworkError&) {
        out.image = {};
        out.unreadable = QStringLiteral("not a custom data file: its stream list states members of more than "
                                        "2 GiB in all");
        return;
    }
    if (!reader.refusal().isEmpty()) {
        out.image = {};
        out.unreadable = QStringLiteral("refused: ") + reader.refusal();
        out.refusedMember = reader.refusedMember();
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
        return;
    }
    // The header is split into lines wherever it is read: its lines are counted first.
    if (int(out.image.members.size()) > pdl::kHeaderMember) {
        const std::vector<uint8_t>& header = out.image.members[size_t(pdl::kHeaderMember)];
        if (const QString why = pdl::headerLinesProblem(header.data(), int64_t(header.size())); !why.isEmpty()) {
            out.image = {};
            out.unreadable = QStringLiteral("refused: ") + why;
            out.refusedMember = pdl::kHeaderMember;
        }
    }
}

// Runs what gives the image reader its bytes; false, with the reason, when the members cannot
// be held.
template <typename Feed>
bool takeAll(OpenedDataFile& out, Feed feed)
{
    try {
        feed();
        return true;
    } catch (const EFrameworkError& e) {
        // A file that cannot be read goes on to the caller as the framework's error.
        if (e.message() != stock::memoryStreamError())
            throw;
        out.unreadable = QStringLiteral("there is not enough memory to hold its members");
        return false;
    }
}

bool emptyImage(OpenedDataFile& out, int64_t size)
{
    out.imageSize = size;
    if (size != 0)
        return false;
    out.unreadable = out.cabinet ? QStringLiteral("the cabinet's member is empty") : QStringLiteral("the file is empty");
    return true;
}

// A cabinet's member DATA (or its only member), decompressed straight into the image reader.
// openProblem: what opening the cabinet gave.
void readCabinet(OpenedDataFile& out, CabinetReader& cabinet, const QString& openProblem, int64_t extractLimit,
                 const MemberHolding& holding)
{
    out.cabinet = true;
    if (!openProblem.isEmpty()) {
        out.unreadable = QStringLiteral("damaged cabinet: ") + openProblem;
        return;
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
        return;
    }
    const int64_t imageSize = out.cabinetMembers[size_t(out.dataMember)].size;
    const auto reader = imageReader(imageSize, holding);
    QString problem;
    if (!takeAll(out, [&] {
            problem = cabinet.extractTo(
                out.dataMember, [&reader](const uint8_t* p, int64_t n) { return reader->take(p, n); }, extractLimit);
        }))
        return;
    if (!problem.isEmpty()) {
        out.unreadable = QStringLiteral("damaged cabinet: ") + problem;
        return;
    }
    if (!emptyImage(out, imageSize))
        finishImage(out, *reader);
}

} // namespace

OpenedDataFile openDataFile(const uint8_t* bytes, int64_t size, int64_t extractLimit)
{
    OpenedDataFile out;
    out.fileSize = size;
    if (CabinetReader::hasSignature(bytes, size)) {
        CabinetReader cabinet;
        const QString problem = cabinet.open(bytes, size);
        readCabinet(out, cabinet, problem, extractLimit, {});
        return out;
    }
    if (emptyImage(out, size))
        return out;
    const auto reader = imageReader(size, {});
    if (takeAll(out, [&] { reader->take(bytes, size); }))
        finishImage(out, *reader);
    return out;
}

OpenedDataFile openDataFile(const std::vector<uint8_t>& bytes)
{
    return openDataFile(bytes.data(), int64_t(bytes.size()));
}

OpenedDataFile openDataFile(const QString& path, int64_t extractLimit, const MemberHolding& holding)
{
    TFileStream file(path, TFileStream::fmOpenRead);
    const int64_t size = file.Size();
    file.SetPosition(0);
    uint8_t signature[4] = {};
    const int64_t head = file.Read(signature, 4);
    file.SetPosition(0);
    if (CabinetReader::hasSignature(signature, head)) {
        // Only the header, the tables and the member's blocks are read, one block at a time.
        OpenedDataFile out;
        out.fileSize = size;
        CabinetReader cabinet;
        const QString problem = cabinet.openFile(path);
        readCabinet(out, cabinet, problem, extractLimit, holding);
        return out;
    }

    OpenedDataFile out;
    out.fileSize = size;
    if (emptyImage(out, size))
        return out;
    const auto reader = imageReader(size, holding);
    std::vector<uint8_t> block(size_t(std::min(size, kReadBlock)));
    const bool taken = takeAll(out, [&] {
        for (int64_t done = 0; done < size;) {
            const int64_t count = std::min(size - done, int64_t(block.size()));
            file.ReadBuffer(block.data(), count);
            done += count;
            if (!reader->take(block.data(), count))
                break;
        }
    });
    if (taken)
        finishImage(out, *reader);
    return out;
}

MemberHolding picturesHeldUpTo(int64_t wholeBytes)
{
    return {[wholeBytes](int index, int64_t size) {
                return index <= pdl::kSecondHandMember && size > wholeBytes ? std::min(size, kPictureHeadBytes) : size;
            },
            {}};
}

} // namespace dw
