#include "DataFileWriter.h"

#include "FileImagePieces.h"
#include "StreamList.h"

#include "platform/FrameworkError.h"
#include "platform/SafeFileWriter.h"
#include "platform/Seam.h"

#include <cstring>
#include <vector>

namespace dw {

namespace {

void fillStream(TMemoryStream& stream, const void* bytes, int64_t size)
{
    stream.SetSize(size);
    if (size > 0)
        std::memcpy(stream.Memory(), bytes, size_t(size));
    stream.SetPosition(0);
}

// The region data block of the shape, exactly as the platform gives it.
void fillRegionData(TMemoryStream& stream, const TRegion& shape)
{
    const uint32_t size = GetRegionData(shape, 0, nullptr);
    if (size == 0) // more rectangles than the block can count
        throw EFrameworkError(stock::memoryStreamError());
    stream.SetSize(size);
    if (GetRegionData(shape, size, stream.Memory()) != size)
        throw EFrameworkError(stock::memoryStreamError());
    stream.SetPosition(0);
}

struct Picture {
    TStream* stream;
    const char* field;
};

// Compares what a stream-list reader shows with the project: the member count and the sizes
// of the four pictures. prefix is "ERROR: " or "ERROR_2: ".
void compareWithProject(TStreamListReader& reader, int32_t members, const Picture (&pictures)[4], const QString& prefix)
{
    if (reader.Count() != members)
        seam::showMessage(prefix + QStringLiteral("slr.Count <> List.Count: %1/%2").arg(reader.Count()).arg(members));
    for (int i = 0; i < 4; ++i) {
        reader.SetItemIndex(i);
        const int64_t read = reader.ItemSize();
        const int64_t size = pictures[i].stream->Size();
        if (read != size)
            seam::showMessage(prefix + QString::fromLatin1(pictures[i].field)
                              + QStringLiteral(".Size\n%1/%2").arg(read).arg(size));
    }
}

} // namespace

namespace {

bool makeFile(DataFileProject& project, const FileImagePieces::Sink& sink, const BeforeChecksHook& hook,
              int64_t* fileSize = nullptr)
{
    TMemoryStream none[4]; // stands in for a missing picture stream
    const Picture pictures[4] = {
        {project.FBkgStream ? project.FBkgStream : &none[0], "FBkgStream"},
        {project.FHourStream ? project.FHourStream : &none[1], "FHourStream"},
        {project.FMinStream ? project.FMinStream : &none[2], "FMinStream"},
        {project.FSecStream ? project.FSecStream : &none[3], "FSecStream"},
    };

    TMemoryStream author, header, shape;
    fillStream(author, project.authorText.data(), int64_t(project.authorText.size()));
    fillStream(header, project.headerText.data(), int64_t(project.headerText.size()));
    fillRegionData(shape, project.shape);

    std::vector<TStream*> members;
    for (const Picture& picture : pictures)
        members.push_back(picture.stream);
    members.push_back(&shape);
    members.push_back(&header);
    members.push_back(&author);
    for (TStream* slot : project.slotRecords)
        if (slot && slot->Size() >= 4)
            members.push_back(slot);
    const auto memberCount = static_cast<int32_t>(members.size());

    FileImagePieces pieces(std::move(members), project.sliceFromContent);
    if (fileSize)
        *fileSize = pieces.fileSize();
    if (!pieces.produce(sink))
        return false;

    if (hook)
        hook(pieces.plainRead(), pieces.slicedRead());
    {
        pieces.slicedRead().SetPosition(0);
        TStreamListReader reader(pieces.slicedRead());
        compareWithProject(reader, memberCount, pictures, QStringLiteral("ERROR: "));
    }
    {
        pieces.plainRead().SetPosition(0);
        TStreamListReader reader(pieces.plainRead());
        compareWithProject(reader, memberCount, pictures, QStringLiteral("ERROR_2: "));
    }
    return true;
}

} // namespace

bool makeFileImage(DataFileProject& project, const FileImagePieces::Sink& sink, const BeforeChecksHook& hook)
{
    return makeFile(project, sink, hook);
}

std::unique_ptr<TMemoryStream> buildFileImage(DataFileProject& project, const BeforeChecksHook& hook)
{
    auto image = std::make_unique<TMemoryStream>();
    int64_t size = 0;
    int64_t at = 0;
    makeFile(
        project,
        [&](const uint8_t* bytes, int64_t count) {
            if (at == 0)
                image->SetSizeForOverwrite(size); // every byte is written as the pieces come
            std::memcpy(image->Memory() + at, bytes, size_t(count));
            at += count;
            return true;
        },
        hook, &size);
    image->SetPosition(0);
    return image;
}

void writeDataFile(const QString& path, DataFileProject& project, const BeforeChecksHook& hook)
{
    writeFileAtomically(path, [&](const PieceSink& sink) {
        makeFile(project, [&](const uint8_t* bytes, int64_t count) { return sink(bytes, count); }, hook);
    });
}

} // namespace dw
