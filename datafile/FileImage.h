#pragma once

// The file image of a custom data file: the sliced stream list of the project, word-chained.
// The word chain views the bytes as little-endian 32-bit words W[0] .. W[k − 1], k = size div 4:
// chaining replaces W[k − 1] down to W[1] by W[i] XOR W[i − 1] (the unchanged W[i − 1]);
// unchaining restores them in ascending order. W[0] and the 1 to 3 bytes after the last whole
// word never change, and an image of fewer than 8 bytes is left as it is.
//
// readFileImage is the one reading side of the format: the save check, the tests and the
// companion tool all read images through it.

#include "platform/MemoryStream.h"

#include <QStringList>

#include <cstdint>
#include <vector>

namespace dw {

void chainWords(uint8_t* bytes, int64_t size);
void unchainWords(uint8_t* bytes, int64_t size);

struct FileImageContents {
    // The member count the stream list states (what TStreamListReader::Count gives).
    int32_t count = 0;
    // The members, in list order, as the readers give them: every member whose record offset is
    // present in the offset table (all of them in a sound image). A damaged record gives an
    // empty member or one cut at the end of the data.
    std::vector<std::vector<uint8_t>> members;
    // What was wrong with the image, one English sentence each; empty for a sound image. At most
    // kMaxProblems are listed, then one line saying how many more there were.
    QStringList problems;
    // Empty when every member is held whole. Otherwise the size of every member as the image
    // states it: a member read with only its leading bytes held (MemberHolding, FileImageReader.h)
    // has fewer in `members`.
    std::vector<int64_t> statedSizes;

    bool sound() const { return problems.isEmpty(); }
    int64_t memberSize(size_t index) const
    {
        return index < statedSizes.size() ? statedSizes[index] : int64_t(members[index].size());
    }
    bool held(size_t index) const { return memberSize(index) == int64_t(members[index].size()); }
    static constexpr int kMaxProblems = 20;
};

// Reads a file image: undoes the word chain on a copy, opens a TSliceStreamReader on it and a
// TStreamListReader on that, and hands back every member. The members together may hold at most
// what one memory stream holds (2 GiB − 1 bytes, each member's bookkeeping counted too), since
// overlapping records in a hostile image could otherwise ask for far more than the file holds;
// beyond that, or when memory runs out, EFrameworkError with the framework's memory message is
// raised.
FileImageContents readFileImage(const uint8_t* bytes, int64_t size);
FileImageContents readFileImage(const std::vector<uint8_t>& bytes);

// The same for a sliced stream list that is not word-chained (the save check has its buffer in
// this form before it chains it). The position of `sliced` is left at 0; its bytes are unchanged.
FileImageContents readSlicedImage(TMemoryStream& sliced);

} // namespace dw
