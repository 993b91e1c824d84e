#include "WordRows.h"

namespace dw {

__attribute__((target_clones("avx2", "default"))) void overlayWordRow(const uint32_t* background,
                                                                      const uint32_t* overlay, uint32_t* out,
                                                                      int64_t width)
{
    for (int64_t x = 0; x < width; ++x) {
        const uint32_t opaque = uint32_t(int32_t(overlay[x]) >> 31);
        out[x] = (background[x] & ~opaque) | overlay[x] | 0xFF000000u;
    }
}

} // namespace dw
