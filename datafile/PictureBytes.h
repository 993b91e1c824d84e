#pragma once

// A picture file's bytes as a project holds them: either a member taken from a saved clock (a
// plain vector, moved in without a copy), a file read straight into memory that was never
// cleared first (ByteBlock: every byte is the file's) or a large file mapped where it lies
// (MappedFile: ask mapped()->changed() once done with it). Read-only once made; compared by
// content.

#include "platform/MappedFile.h"
#include "platform/MemoryStream.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <variant>
#include <vector>

namespace dw {

class PictureBytes {
public:
    PictureBytes() = default;
    PictureBytes(std::vector<uint8_t>&& bytes) : m_bytes(std::move(bytes)) {}
    PictureBytes(ByteBlock&& bytes) : m_bytes(std::move(bytes)) {}
    PictureBytes(std::unique_ptr<MappedFile> mapped) : m_bytes(Mapped(std::move(mapped))) {}

    const uint8_t* data() const
    {
        return std::visit([](const auto& b) { return dataOf(b); }, m_bytes);
    }
    size_t size() const
    {
        return std::visit([](const auto& b) { return sizeOf(b); }, m_bytes);
    }
    // The file the bytes are mapped from, or null when they are held in memory.
    const MappedFile* mapped() const
    {
        const auto* file = std::get_if<Mapped>(&m_bytes);
        return file ? file->get() : nullptr;
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
    using Mapped = std::shared_ptr<const MappedFile>;
    static const uint8_t* dataOf(const auto& bytes) { return bytes.data(); }
    static const uint8_t* dataOf(const Mapped& file) { return file->data(); }
    static size_t sizeOf(const auto& bytes) { return bytes.size(); }
    static size_t sizeOf(const Mapped& file) { return file->size(); }

    std::variant<std::vector<uint8_t>, ByteBlock, Mapped> m_bytes;
};

} // namespace dw
