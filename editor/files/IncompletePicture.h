#pragma once

// The pictures of a clock checked before they become the project, whether they come from a saved
// file (Open) or from a recovery copy.

#include <QString>

#include <array>
#include <cstdint>
#include <span>

namespace dw {

// The first picture of a clock that is not whole, named for the user; empty when every picture
// is. A picture the clock cannot show is taken when all its pixels are there (the user kept it as
// it was), as is any picture the engine shows; an embedded animation strip must be a bitmap the
// framework reads. `pictures`: the dial's, hour, minute and second hand's file bytes (empty for a
// built-in one); `slotRecords`: the slot records by slot number − 1.
QString incompletePicture(const std::array<std::span<const uint8_t>, 4>& pictures,
                          const std::array<std::span<const uint8_t>, 7>& slotRecords);

} // namespace dw
