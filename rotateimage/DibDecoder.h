#pragma once

// Decoding a bitmap file from a stream into the engine's normalised source image.

#include "platform/MemoryStream.h"
#include "platform/Stream.h"

#include <string>

namespace dw {

struct DibLoadResult {
    bool ok = false;
    std::string error; // why the picture was refused, in English; empty when ok
    explicit operator bool() const { return ok; }
};

// Reads one bitmap file from the stream's current position P into `source`, normalised:
// 1-, 4- and 8-bit pictures become 8-bit indexed (a 1-bit picture always gets the table black,
// white), 16-, 24- and 32-bit ones 24-bit with one spare byte after the last row (the buffer is
// then file size + 1 bytes; don't append another).
//
// `source` is emptied first and stays empty when the picture is refused: wrong signature,
// non-zero reserved fields, info header under 40 bytes, planes ≠ 1, compression, more than 256
// colours, bit counts other than 1, 4, 8, 16, 24 and 32, a top-down (negative height) or empty
// picture, a picture larger than the limits of EngineLimits.h, or a stream too short for the
// stated rows. A refused picture leaves the stream at P.
//
// An accepted one leaves the stream at P + the file size its header states, so that exactly one
// declared file is consumed; a stated size that ends before the pixel rows or beyond the end
// of the stream is not believed (the position then ends after the rows, or at the end).
DibLoadResult LoadFromBmpStream(TStream& stream, TMemoryStream& source);

// Whether LoadFromBmpStream accepts the picture at the stream's position, and why not, from its
// headers and the stream's size alone: nothing is decoded or copied. The same verdict for any
// stream that reads as many bytes as its size says. The position is kept.
DibLoadResult CheckBmpStream(TStream& stream);

} // namespace dw
