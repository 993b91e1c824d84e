#pragma once

#include <cstdint>

namespace dw {

// Limits that keep hostile or absurd pictures from exhausting memory. Each is checked where the
// size is worked out, before anything is allocated.

// A decoded picture (and a sketch made of one) is at most 16384 pixels on either side and at
// most 256 MiB as a bitmap-file image.
constexpr int64_t kMaxDibSide = 16384;
constexpr int64_t kMaxDecodedBytes = int64_t(256) << 20;

// A rendered image and its mask together take at most 512 MiB. That renders every decodable
// picture upright at 100 % and a 4096 × 4096 one at up to about 280 %; a larger result
// is refused and both outputs are left empty.
constexpr int64_t kMaxRenderedBytes = int64_t(512) << 20;

} // namespace dw
