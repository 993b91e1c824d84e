#pragma once

// The file image of a custom data file made a piece at a time: the stream list of the members,
// sliced and word-chained, handed out in order in pieces of a few hundred KiB, so that the file
// is never held whole; only the members are, where they already are. The bytes are exactly those
// of WriteStreamList, SliceStream and chainWords done one after the other (StreamList.h,
// FileImage.h). The list is read a band of the slicing grid at a time: a run of rows needs a
// short run of bytes from every column, and every column is a run of the plain list.

#include "platform/Stream.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace dw {

// A stream list's bytes known at a few positions only: what the save's checks read of a list
// (its count, its offset table and the size words of its first members). The stream has the
// list's size; a byte that is not known reads as 0. Read-only.
class KnownListBytes : public TStream {
public:
    explicit KnownListBytes(int64_t size = 0) : m_size(size) {}

    void set(int64_t pos, uint8_t value) { m_bytes[pos] = value; }
    bool known(int64_t pos) const { return m_bytes.count(pos) > 0; }
    // A known byte, to be changed in place (as a fault in the list's routines would change it).
    uint8_t& at(int64_t pos) { return m_bytes.at(pos); }

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void*, int64_t) override { return 0; }
    int64_t Seek(int64_t offset, int origin) override;

private:
    int64_t m_size;
    int64_t m_pos = 0;
    std::map<int64_t, uint8_t> m_bytes;
};

class FileImagePieces {
public:
    // members: not owned; each is read from its first byte and must keep its bytes and its size
    // from here until produce returns. A list that would not fit 32-bit offsets (more than
    // 2 GiB − 1 bytes) raises EFrameworkError with the framework's memory message.
    // checkedMembers: how many of the first members have their size words read for the checks.
    FileImagePieces(std::vector<TStream*> members, bool sliceFromContent, int checkedMembers = 4);
    ~FileImagePieces();
    FileImagePieces(const FileImagePieces&) = delete;
    FileImagePieces& operator=(const FileImagePieces&) = delete;

    int32_t listSize() const;
    int64_t fileSize() const { return int64_t(listSize()) + 2; }

    // Takes the next piece of the file; false stops the making (the piece could not be kept).
    using Sink = std::function<bool(const uint8_t* bytes, int64_t count)>;
    // Hands every byte of the file to sink, in order, and then sets every member's position to
    // its end; false when the sink refused a piece (nothing more is handed out then). The key
    // and slice count are drawn from the program's generator (the key first) or taken from the
    // list's content (sliceChoiceFromSeed of contentSeed), as SliceStream does. Once. A member
    // whose size changed since the list was laid out raises the framework's read error; a
    // shortage of memory its memory error.
    bool produce(const Sink& sink);

    // What the checks read, filled by produce: the list as it was read to be sliced, and as read
    // back from the sliced bytes produced (before the word chain), at the count, the offset table
    // and the first checkedMembers members' size words.
    KnownListBytes& plainRead() { return m_plainRead; }
    KnownListBytes& slicedRead() { return m_slicedRead; }

    // The plain bytes of one band of the grid; a piece is about as large.
    static constexpr int64_t kBandBytes = int64_t(256) << 10;

private:
    class PlainList;
    std::unique_ptr<PlainList> m_list;
    bool m_fromContent;
    int m_checkedMembers;
    KnownListBytes m_plainRead;
    KnownListBytes m_slicedRead;
};

} // namespace dw
