#pragma once

// The bytes of a cabinet being read, wherever they are: in memory, or in a file read where they
// are needed, so that a cabinet is never held whole to take one member out of it. Internal to
// the cabinet reader (it hands the cabinet library a stream of its own over them).

#include <gio/gio.h>

#include <QString>

#include <algorithm>
#include <cstdint>
#include <memory>

namespace dw::cabinetdata {

class Bytes {
public:
    explicit Bytes(int64_t size) : m_size(size) {}
    virtual ~Bytes() = default;
    // How many bytes belong to the cabinet: the file's or the buffer's, or fewer once limitTo
    // has been told how many the cabinet counts (what follows them is not read).
    int64_t size() const { return m_size; }
    void limitTo(int64_t size) { m_size = std::min(m_size, size); }
    // count bytes from `at` into out; false when they are not all within size().
    bool read(int64_t at, void* out, int64_t count) const
    {
        return at >= 0 && count >= 0 && count <= m_size - at && readAt(at, out, count);
    }
    // A new stream over the bytes for the cabinet library (the caller unrefs it).
    virtual GInputStream* stream() const = 0;

private:
    virtual bool readAt(int64_t at, void* out, int64_t count) const = 0;
    int64_t m_size;
};

// The bytes are not copied: they must stay unchanged and alive as long as the result is used.
std::unique_ptr<Bytes> bytesInMemory(const uint8_t* data, int64_t size);
// Nothing when the file cannot be opened (why: the system's reason).
std::unique_ptr<Bytes> bytesInFile(const QString& path, QString& why);

} // namespace dw::cabinetdata
