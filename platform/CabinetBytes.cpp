// GLib comes before the Qt headers so that Qt's keyword macros cannot meet its declarations.
#include <gio/gio.h>

#include "CabinetBytes.h"
#include "FileNames.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dw::cabinetdata {

namespace {

class MemoryBytes final : public Bytes {
public:
    MemoryBytes(const uint8_t* data, int64_t size) : Bytes(size), m_data(data) {}
    GInputStream* stream() const override
    {
        return g_memory_input_stream_new_from_data(m_data, gssize(size()), nullptr);
    }

private:
    bool readAt(int64_t at, void* out, int64_t count) const override
    {
        if (count > 0)
            std::memcpy(out, m_data + at, size_t(count));
        return true;
    }
    const uint8_t* m_data;
};

class FileBytes final : public Bytes {
public:
    FileBytes(QByteArray path, int fd, int64_t size) : Bytes(size), m_path(std::move(path)), m_fd(fd) {}
    ~FileBytes() override { ::close(m_fd); }
    // The library reads the header and the tables through a stream of its own on the same file
    // (opened again through the descriptor, so that a file put in its place meanwhile is not
    // the one read).
    GInputStream* stream() const override
    {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_fd);
        g_autoptr(GFile) file = g_file_new_for_path(::access(self.constData(), R_OK) == 0 ? self.constData() : m_path.constData());
        GFileInputStream* in = g_file_read(file, nullptr, nullptr);
        return in ? G_INPUT_STREAM(in) : g_memory_input_stream_new();
    }

private:
    bool readAt(int64_t at, void* out, int64_t count) const override
    {
        auto* p = static_cast<char*>(out);
        while (count > 0) {
            const ssize_t n = ::pread(m_fd, p, size_t(count), off_t(at));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            p += n;
            at += n;
            count -= n;
        }
        return true;
    }
    QByteArray m_path;
    int m_fd;
};

} // namespace

std::unique_ptr<Bytes> bytesInMemory(const uint8_t* data, int64_t size)
{
    return std::make_unique<MemoryBytes>(data, data ? size : 0);
}

std::unique_ptr<Bytes> bytesInFile(const QString& path, QString& why)
{
    const QByteArray name = fileSystemName(path);
    int fd;
    do {
        fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        why = QString::fromLocal8Bit(std::strerror(fd < 0 ? errno : EISDIR));
        if (fd >= 0)
            ::close(fd);
        return nullptr;
    }
    return std::make_unique<FileBytes>(name, fd, int64_t(st.st_size));
}

} // namespace dw::cabinetdata
