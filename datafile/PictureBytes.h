#pragma once

// A picture file's bytes as a project holds them: either a member taken from a saved clock (a
// plain vector, moved in without a copy) or a file read straight into memory that was never
// cleared first (ByteBlock: every byte is the file's). Read-only once made; compared by content.

#include "platform/MemoryStream.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <variant>
#include <vector>

namespace dw {

class PictureBytes {
public:
    PictureBytes() = default;
    PictureBytes(std::vector<uint8_t>&& bytes) : m_bytes(std::move(bytes)) {}
    PictureBytes(ByteBlock&& bytes) : m_bytes(std::move(bytes)) {}

    const uint8_t* data() const
    {
        return std::visit([](const auto& b) { return b.data(); }, m_bytes);
    }
    size_t size() const
    {
        return std::visit([](const auto& b) { return b.size(); }, m_bytes);
    }
    bool empty() const { return size() == 0; }
    std::span<const uint8_t> span() const { return {data(), size()}; }
    operator std::span<const uint8_t>() const { return span(); }

    // Lets the bytes go (the project is then held about once).
    void release() { m_bytes = std::vector<uint8_t>(); }

    friend bool operator==(const PictureBytes& a, const PictureBytes& b)
    {
        return std::ranges::equal(a.span(), b.span());
    }

private:
    std::variant<std::vector<uint8_t>, ByteBlock> m_bytes;
};

} // namespace dw
