#include "FileImage.h"

#include "StreamList.h"
#include "StreamListSurvey.h"

#include "platform/ByteOrder.h"
#include "platform/FrameworkError.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace dw {

namespace {

// A 32-bit word of the plain stream list at position at; false when it is not there whole.
bool plainWord(TStream& plain, int64_t at, int32_t& value)
{
    uint8_t bytes[4];
    if (at < 0 || plain.Seek(at, soBeginning) != at || plain.Read(bytes, 4) != 4)
        return false;
    value = readLE32s(bytes);
    return true;
}

// What a member costs in the budget of the survey: its bytes and its bookkeeping.
constexpr int64_t kMemberOverhead = sizeof(std::vector<uint8_t>);

} // namespace

ProblemList::~ProblemList()
{
    if (m_dropped > 0)
        m_out << QStringLiteral("… and %1 more problems").arg(m_dropped);
}

void ProblemList::add(const QString& text)
{
    if (m_out.size() < FileImageContents::kMaxProblems)
        m_out << text;
    else
        ++m_dropped;
}

ListSurvey surveyStreamList(TStream& plain, int64_t plainSize, bool sliceHeaderRead, ProblemList& problems)
{
    ListSurvey out;
    plain.SetPosition(0);
    TStreamListReader list(plain);
    out.count = list.Count();
    int64_t present = 0; // members whose record offset is in the table
    if (plainSize < 4) {
        if (sliceHeaderRead)
            problems.add(QStringLiteral("The stream list holds %1 bytes, too few for its member count.").arg(plainSize));
    } else if (out.count < 0) {
        problems.add(QStringLiteral("The member count is negative (%1).").arg(out.count));
    } else {
        present = std::min<int64_t>(out.count, (plainSize - 4) / 4);
        if (present < out.count)
            problems.add(QStringLiteral("The member count is %1, but the offset table has room for %2 offsets only.")
                             .arg(out.count)
                             .arg(present));
    }

    // First the sizes, so that a hostile list is refused before anything is allocated.
    int64_t budget = 0;
    bool inPlace = present == out.count; // every record so far where the previous one ends
    int64_t expected = 4 + 4 * int64_t(out.count);
    out.sizes.reserve(size_t(present));
    for (int64_t i = 0; i < present; ++i) {
        list.SetItemIndex(static_cast<int32_t>(i));
        const int64_t size = list.ItemSize();
        out.sizes.push_back(size);
        budget += size + kMemberOverhead;
        if (budget > TMemoryStream::kMaxSize)
            throw EFrameworkError(stock::memoryStreamError());

        int32_t stored = 0;
        plainWord(plain, 4 + 4 * i, stored);
        const int64_t offset = int64_t(stored); // the list starts at position 0
        int32_t keyed = 0;
        if (offset < 0 || offset + 4 > plainSize || !plainWord(plain, offset, keyed)) {
            problems.add([&] {
                return QStringLiteral("Member %1: its record offset %2 lies outside the stream list of %3 bytes.")
                    .arg(i)
                    .arg(offset)
                    .arg(plainSize);
            });
            inPlace = false;
            continue;
        }
        const int32_t statedSize = static_cast<int32_t>(static_cast<uint32_t>(keyed) ^ static_cast<uint32_t>(offset));
        if (statedSize < 0) {
            problems.add([&] {
                return QStringLiteral("Member %1: its size word gives a negative size (%2).").arg(i).arg(statedSize);
            });
            inPlace = false;
        } else if (statedSize > size) {
            problems.add([&] {
                return QStringLiteral("Member %1: its size of %2 bytes runs past the end of the stream list; "
                                      "%3 bytes are kept.")
                    .arg(i)
                    .arg(statedSize)
                    .arg(size);
            });
            inPlace = false;
        }
        if (inPlace && offset != expected) {
            problems.add([&] {
                return QStringLiteral("Member %1: its record starts at %2, not at %3 where the records before it end.")
                    .arg(i)
                    .arg(offset)
                    .arg(expected);
            });
            inPlace = false;
        }
        expected = offset + 4 + std::max<int64_t>(statedSize, 0);
    }
    if (inPlace && plainSize >= 4 && out.count >= 0 && expected < plainSize)
        problems.add(QStringLiteral("%1 bytes follow the last member.").arg(plainSize - expected));
    return out;
}

FileImageContents readSlicedImage(TMemoryStream& sliced) { return readSlicedMembers(sliced, true); }

FileImageContents readSlicedMembers(TMemoryStream& sliced, bool ofDamagedImages)
{
    FileImageContents out;
    TSliceStreamReader plain(sliced);
    ListSurvey survey;
    {
        ProblemList problems(out.problems);
        if (sliced.size() < 2)
            problems.add(QStringLiteral("The data holds %1 bytes, fewer than the 2 bytes of its slicing header.")
                             .arg(sliced.size()));
        else if (plain.SliceCountRejected())
            problems.add(QStringLiteral("The slice count is 0, so the data cannot be unsliced."));
        plain.SetPosition(0);
        survey = surveyStreamList(plain, plain.Size(), sliced.size() >= 2 && !plain.SliceCountRejected(), problems);
    }
    out.count = survey.count;
    if (!ofDamagedImages && !out.sound()) {
        sliced.SetPosition(0);
        return out;
    }

    try {
        out.members.resize(survey.sizes.size());
        if (!survey.sizes.empty()) {
            // A reader of its own again: every member it selects has its offset in the table.
            plain.SetPosition(0);
            TStreamListReader list(plain);
            for (size_t i = 0; i < survey.sizes.size(); ++i) {
                list.SetItemIndex(static_cast<int32_t>(i));
                list.SetPosition(0);
                std::vector<uint8_t>& member = out.members[i];
                member.resize(static_cast<size_t>(list.ItemSize()));
                const int64_t got = list.Read(member.data(), int64_t(member.size()));
                member.resize(static_cast<size_t>(got));
            }
        }
    } catch (const std::bad_alloc&) {
        throw EFrameworkError(stock::memoryStreamError());
    }
    sliced.SetPosition(0);
    return out;
}

FileImageContents readFileImage(const uint8_t* bytes, int64_t size)
{
    TMemoryStream sliced;
    sliced.SetSize(std::max<int64_t>(size, 0)); // the memory error past the memory stream's limit
    if (size > 0)
        std::memcpy(sliced.Memory(), bytes, static_cast<size_t>(size));
    unchainWords(sliced.Memory(), sliced.size());
    return readSlicedImage(sliced);
}

FileImageContents readFileImage(const std::vector<uint8_t>& bytes)
{
    return readFileImage(bytes.data(), static_cast<int64_t>(bytes.size()));
}

} // namespace dw
