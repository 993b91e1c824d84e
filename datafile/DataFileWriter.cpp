#include "DataFileWriter.h"

#include "FileImage.h"
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

std::unique_ptr<TMemoryStream> buildFileImage(DataFileProject& project, const BeforeChecksHook& hook)
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
    for (TStream* member : members)
        member->SetPosition(0);

    // The plain list is sized once up front: growing it step by step would hold the old and the
    // new block at the same time, and the save would then need far more than twice the project.
    int64_t total = 4 + 4 * int64_t(members.size());
    for (TStream* member : members)
        total += 4 + member->Size();
    if (total > TMemoryStream::kMaxSize)
        throw EFrameworkError(stock::memoryStreamError());
    auto plain = std::make_unique<TMemoryStream>();
    plain->SetSizeForOverwrite(total); // every byte up to what is written is written below
    plain->SetPosition(0);
    const int32_t written = WriteStreamList(*plain, members);
    plain->SetSize(written);

    plain->SetPosition(0);
    std::unique_ptr<TMemoryStream> sliced =
        project.sliceFromContent
            ? SliceStream(*plain, written, sliceChoiceFromSeed(contentSeed(plain->Memory(), written)))
            : SliceStream(*plain, written);

    if (hook)
        hook(*plain, *sliced);

    const auto memberCount = static_cast<int32_t>(members.size());
    {
        TSliceStreamReader unsliced(*sliced);
        unsliced.SetPosition(0);
        TStreamListReader reader(unsliced);
        compareWithProject(reader, memberCount, pictures, QStringLiteral("ERROR: "));
    }
    {
        plain->SetPosition(0);
        TStreamListReader reader(*plain);
        compareWithProject(reader, memberCount, pictures, QStringLiteral("ERROR_2: "));
    }
    plain.reset();

    chainWords(sliced->Memory(), sliced->size());
    sliced->SetPosition(0);
    return sliced;
}

void writeDataFile(const QString& path, DataFileProject& project, const BeforeChecksHook& hook)
{
    const std::unique_ptr<TMemoryStream> image = buildFileImage(project, hook);
    writeFileAtomically(path, image->Memory(), image->size());
}

} // namespace dw
