#pragma once

// The stream list: an ordered list of byte buffers packed into one buffer, and its sliced form
// (a column transposition of the bytes plus a one-byte XOR key) in which the custom data file
// stores it.
//
// Stream list (all integers 32-bit little-endian, no gaps):
//   Count N | N record offsets | N records, each: (size XOR record offset) then the size bytes.
// The first record starts at 4 + 4 N; every record follows the previous one directly.
//
// Sliced form of n plain bytes (n + 2 bytes): key K, slice count W XOR K, then the plain bytes
// XOR K, stored at 2 + FlatToSlicedPos(i, n, W): a grid of W columns filled row by row, with the
// plain bytes running down column 0, then down column 1, and so on.

#include "platform/MemoryStream.h"
#include "platform/Stream.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace dw {

// Writes the stream list of `members` at the target's current position and returns the number
// of bytes written. Every member is copied whole from its first byte, whatever its position;
// afterwards each member's position is at its end. A list whose offsets would not fit 32 bits
// (more than 2 GiB − 1 bytes in all) is refused with the framework's memory message before
// anything is written. Members are not owned.
int32_t WriteStreamList(TStream& target, const std::vector<TStream*>& members);

// The sliced form of the next n bytes of `source`, taken from its current position (which moves
// past them). Draws a new key and slice count from the program's generator (platform/Random.h)
// for every call, the key first. The caller owns the result; its position is 0.
// A negative n counts as 0. A source with fewer than n bytes left raises the framework's read
// error; a result that would exceed what a memory stream holds raises its memory error.
std::unique_ptr<TMemoryStream> SliceStream(TStream& source, int32_t n);

// The key and slice count of a sliced form, as the generator draws them: the key 2 to 199 with
// bit 1 set, the slice count 80 to 239.
struct SliceChoice {
    uint8_t key = 2;
    uint8_t slices = 80;
};
// A choice drawn from the program's generator, the key first (what SliceStream takes).
SliceChoice drawSliceChoice();
// The choice a seed stands for, in those ranges: the same seed gives the same choice, so that a
// file made from the same content is the same to the byte.
SliceChoice sliceChoiceFromSeed(uint64_t seed);
// The runs of a list of `size` bytes that its seed is taken from, in order, each handed to
// take(at, count): the whole of a list of at most 256 KiB; of a longer one, its first and last
// 64 KiB and, between them, the first 64 bytes of every 16 KiB. A seed stands for one of some
// sixteen thousand choices, which a sample tells apart as well as every byte would; a 12 MiB dial
// then costs some eight hundred cache lines instead of a pass over all of it.
void forEachSeedRun(int64_t size, const std::function<void(int64_t at, int64_t count)>& take);
// A seed from the bytes of a list: the ContentHasher hash (ContentHash.h) of its seed runs.
uint64_t contentSeed(const uint8_t* bytes, int64_t size);
// SliceStream with the key and slice count given instead of drawn.
std::unique_ptr<TMemoryStream> SliceStream(TStream& source, int32_t n, const SliceChoice& choice);

// The stored place (0 .. n − 1) of plain position pos in the sliced grid of n bytes with W
// columns (0 ≤ pos < n, W ≥ 1). A result outside 0 .. n − 1, which only arguments outside those
// ranges produce, shows "DEBUG: FlatToSlicedPos = <result>\n<pos>, <n>, <W>" and gives 0. The
// arithmetic is done in 64 bits; where it would divide by zero (W = 0, n = 0, or pos ≥ n when
// n < W) the result shown is −1.
int32_t FlatToSlicedPos(int32_t pos, int32_t n, int32_t W);

// Shows one member of a stream list at a time as a byte stream: Position and Size are those of
// the selected member. The source is not owned; it must outlive the reader and keep its size
// while the reader is open. The list must begin at the source's position at creation.
//
// Damaged lists are read leniently and never outside the source: a record offset that is
// negative, does not fit 32 bits or leaves no room for the record's size word gives an empty
// member; a negative size gives an empty member; a size that runs past the end of the source is
// cut there. Reads and writes never pass the end of the selected member, so Write never grows
// the source.
class TStreamListReader : public TStream {
public:
    explicit TStreamListReader(TStream& source);

    int32_t Count() const { return FCount; }
    int32_t ItemIndex() const { return FIndex; }
    int32_t ItemSize() const { return FItemSize; }
    // Where the selected member's record (its size word) lies in the source, as read when it was
    // selected; kNoRecord when it has none. Later writes into the offset table do not move it.
    int32_t ItemOffset() const { return FItemOffset; }
    // Selects member i and rewinds to its start; ignored when i is outside 0 .. Count − 1 or is
    // the selected member (which then keeps its position).
    void SetItemIndex(int32_t i);

    int64_t Read(void* buffer, int64_t count) override;
    // Overwrites the selected member in place, at most up to its end.
    int64_t Write(const void* buffer, int64_t count) override;
    // Origin 0 from the start, 1 from the current position, 2 back from the end (size − offset);
    // any other origin keeps the position. The result is clamped to 0 .. ItemSize.
    int64_t Seek(int64_t offset, int origin) override;

    // Absolute position in the source of the selected member's record (its size word). When the
    // offset word cannot be read whole, shows "ERROR: TStreamListReader.GetItemOffset" and gives
    // kNoRecord; an offset that is negative or does not fit 32 bits gives kNoRecord silently.
    int32_t GetItemOffset();
    // The selected member's size as its record states it, limited as described above (0 for
    // kNoRecord). Reads the offset word again, with its message.
    int32_t GetItemSize();

    static constexpr int32_t kNoRecord = -1;

private:
    int32_t sizeOfRecordAt(int32_t offset);
    void selectItem(int32_t i);
    // Positions the source at the selected member's byte FItemPos; false when that fails.
    bool seekSourceToItemPos();

    TStream* FStream;
    int32_t FBase = 0;
    int32_t FCount = 0;
    int32_t FIndex = 0;
    int32_t FItemOffset = 0;
    int32_t FItemPos = 0;
    int32_t FItemSize = 0;
};

// A read-only byte stream that presents the sliced form held in a memory stream as its plain
// bytes, read directly from the memory block. The source is not owned; it must outlive the
// reader and keep its size while the reader is open (a source whose size has changed reads as
// exhausted rather than out of bounds).
//
// A source of fewer than 3 bytes reads as empty. A slice count of 0, which this program never
// writes, is rejected: such a source reads as empty too (SliceCountRejected tells it apart).
class TSliceStreamReader : public TStream {
public:
    explicit TSliceStreamReader(TMemoryStream& source);

    int64_t Read(void* buffer, int64_t count) override;
    // The reader is read-only: writes nothing and returns 0.
    int64_t Write(const void* buffer, int64_t count) override;
    // As TStreamListReader::Seek, over 0 .. the plain size.
    int64_t Seek(int64_t offset, int origin) override;

    uint8_t Key() const { return FKey; }
    uint8_t Slices() const { return FSlices; }
    bool SliceCountRejected() const { return FSlices == 0 && FSource->size() >= 3; }

private:
    TMemoryStream* FSource;
    int32_t FPos = 0;
    int32_t FSize = 0;
    uint8_t FKey = 0;
    uint8_t FSlices = 0;
};

} // namespace dw
