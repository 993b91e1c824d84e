#pragma once

// A file image read as its bytes arrive, front to back, the way files from outside are read
// (openDataFile: the editor's Open, pdltool). The image is never held whole: its bytes go
// straight into the members they belong to as soon as the offset table has arrived (with the
// first rows of the grid), so that an image of D bytes is read in D bytes and a little more, and
// a member over its limit refuses the image before anything is allocated for it.
//
// For a sound image the result is exactly what readFileImage gives (with MemberHolding, members
// may be cut to their leading bytes: FileImageContents::statedSizes). An image that is not sound
// gives the same member count and problems, but no members: its records may overlap and state
// far more bytes than the image holds (readFileImage reads them, up to 2 GiB in all).

#include "FileImage.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace dw {

// Which bytes of each member are held. By default every member is held whole. A reader that needs
// only the first bytes of a large member (a picture's headers) holds those, and the rest of it is
// either passed on as it arrives, or not kept at all. The image's checks are the same either way.
struct MemberHolding {
    // How many leading bytes of member `index` of `size` bytes to hold (at most size); empty: all.
    std::function<int64_t(int index, int64_t size)> held;
    // The member's bytes beyond those held, as they arrive: `count` bytes at `at` of the member.
    // They do not arrive in order (the image is sliced into columns), but each byte once. Empty:
    // they are dropped.
    std::function<void(int index, int64_t at, const uint8_t* bytes, int64_t count)> passOn;
};

class FileImageReader {
public:
    // Why member `index` of `size` bytes is not to be read; empty when it may be.
    using MemberLimit = std::function<QString(int index, int64_t size)>;

    // imageSize: the bytes the image has, which take() is given in order.
    explicit FileImageReader(int64_t imageSize, MemberLimit limit = {}, MemberHolding holding = {});
    ~FileImageReader();
    FileImageReader(const FileImageReader&) = delete;
    FileImageReader& operator=(const FileImageReader&) = delete;

    // The next `count` bytes of the image. False when no more are wanted: a member is over its
    // limit, or the image cannot be unsliced at all; the rest need not be read. Raises
    // EFrameworkError with the framework's memory message when the members cannot be held.
    bool take(const uint8_t* bytes, int64_t count);

    // After the last byte, or after take() has said no: the image's contents (see above). An
    // image that ended before imageSize bytes is not sound.
    FileImageContents finish();

    // Why a member limit refused the image, and which member it was; empty and -1 otherwise.
    const QString& refusal() const;
    int refusedMember() const;

    // Images up to this size are gathered and read whole (by the same reader as readFileImage).
    static constexpr int64_t kWholeImageBytes = int64_t(1) << 20;
    // The offset table of a larger image must arrive with its first rows: a list stating more
    // members than this is not read (a custom data file has 7 to 14).
    static constexpr int kMaxStreamedMembers = 1000;

private:
    struct State;
    std::unique_ptr<State> m;
};

} // namespace dw
