#include "ByteViewStream.h"

#include <cstring>

namespace dw {

int64_t ByteViewStream::Read(void* buffer, int64_t count)
{
    if (m_position < 0 || count <= 0 || m_position >= m_size)
        return 0;
    const int64_t available = m_size - m_position;
    const int64_t n = count < available ? count : available;
    std::memcpy(buffer, m_bytes + m_position, static_cast<size_t>(n));
    m_position += n;
    return n;
}

int64_t ByteViewStream::Write(const void*, int64_t) { return 0; }

int64_t ByteViewStream::Seek(int64_t offset, int origin)
{
    // Positions stay far from the 64-bit limits, so that no sum overflows: offsets and
    // positions beyond ±2^61 are cut to it (a view holds far fewer bytes).
    constexpr int64_t kReach = int64_t(1) << 61;
    offset = offset < -kReach ? -kReach : offset > kReach ? kReach : offset;
    switch (origin) {
    case soBeginning: m_position = offset; break;
    case soCurrent: m_position = m_position + offset; break;
    case soEnd: m_position = m_size + offset; break;
    default: break;
    }
    if (m_position < -kReach || m_position > kReach)
        m_position = m_position < 0 ? -kReach : kReach;
    return m_position;
}

} // namespace dw
