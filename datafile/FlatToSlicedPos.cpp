#include "StreamList.h"

#include "platform/Seam.h"

#include <QString>

namespace dw {

int32_t FlatToSlicedPos(int32_t pos, int32_t n, int32_t W)
{
    // 64 bits: with arguments outside 0 ≤ pos < n, W ≥ 1 the products below can leave the
    // 32-bit range, and INT32_MIN mod −1 would trap.
    const int64_t p64 = pos, n64 = n, w64 = W;
    int64_t result = -1; // where the computation would divide by zero
    if (w64 != 0) {
        const int64_t r = n64 % w64;
        const int64_t q = n64 / w64;
        const int64_t L = r > 0 ? q + 1 : q;
        if (r != 0 && p64 >= r * L) {
            const int64_t p = p64 - r * L;
            if (q != 0)
                result = r + (p % q) * w64 + p / q;
        } else if (L != 0) {
            result = (p64 % L) * w64 + p64 / L;
        }
    }
    if (result < 0 || result >= n64) {
        seam::showMessage(QStringLiteral("DEBUG: FlatToSlicedPos = %1\n%2, %3, %4")
                              .arg(result)
                              .arg(pos)
                              .arg(n)
                              .arg(W));
        return 0;
    }
    return static_cast<int32_t>(result);
}

} // namespace dw
