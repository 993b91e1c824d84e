// A large file mapped where it lies: its bytes as written, and what becomes of a mapping whose
// file is cut short, written to or replaced under it (zeros past the new end instead of the end
// of the program, and changed() to say so); a fault in memory that is none of ours still ends it.

#include "platform/MappedFile.h"

#include "tests/support/TestFiles.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <numeric>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace dw;
using namespace dw::test;

namespace {

constexpr int64_t kSize = MappedFile::kMinMappedBytes + 5000;

Bytes pattern(int64_t size)
{
    Bytes bytes(static_cast<size_t>(size));
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = uint8_t(1 + (i * 7 + i / 4096) % 255); // no zero among them
    return bytes;
}

// The file's times set an hour back, so that a write a moment later is told by its time even
// where the system keeps times in coarse steps.
void ageFile(const QString& path)
{
    struct timespec old[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), old, 0), 0);
}

struct MappedAt {
    int fd = -1;
    std::unique_ptr<MappedFile> file;
    ~MappedAt()
    {
        file.reset();
        if (fd >= 0)
            ::close(fd);
    }
};

void mapAt(const QString& path, int64_t size, MappedAt& into)
{
    into.fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(into.fd, 0);
    into.file = MappedFile::map(into.fd, size, path);
}

TEST(MappedFile, ReadsTheFileAndTellsWhatHappenedToItMeanwhile)
{
    struct Case {
        const char* what;
        std::function<void(const QString& path)> change;
        int64_t firstZero; // bytes read as the file's before the first zero
        bool zerosToEnd;   // and nothing but zeros after it
        bool changed;
    };
    const auto rewriteAt = [](const QString& path, off_t at) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY);
        const uint8_t zero = 0;
        EXPECT_EQ(::pwrite(fd, &zero, 1, at), 1);
        ::close(fd);
    };
    const Case cases[] = {
        {"left alone", [](const QString&) {}, kSize, false, false},
        // Past the new end, in a page of its own and in the page the end falls in.
        {"cut short", [](const QString& path) { ASSERT_TRUE(QFile::resize(path, 10000)); }, 10000, true, true},
        {"cut to nothing", [](const QString& path) { ASSERT_TRUE(QFile::resize(path, 0)); }, 0, true, true},
        // A zero written in place: the byte reads as written, and the file's time tells it.
        {"written in place", [&](const QString& path) { rewriteAt(path, 300000); }, 300000, false, true},
        // Renamed over: the mapping keeps the file it was made of, which is no longer the one
        // the name holds.
        {"replaced by a new file",
         [](const QString& path) {
             writeFile(path + QStringLiteral(".new"), Bytes(16, 0));
             ASSERT_EQ(::rename(QFile::encodeName(path + QStringLiteral(".new")).constData(), QFile::encodeName(path).constData()), 0);
         },
         kSize, false, true},
    };
    const Bytes bytes = pattern(kSize);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("dial.bmp"));
        writeFile(path, bytes);
        ageFile(path);
        MappedAt mapped;
        mapAt(path, kSize, mapped);
        ASSERT_TRUE(mapped.file);
        ASSERT_EQ(mapped.file->size(), size_t(kSize));
        EXPECT_EQ(mapped.file->path(), path);
        EXPECT_FALSE(mapped.file->changed());
        c.change(path);

        const uint8_t* read = mapped.file->data();
        const int64_t firstZero = std::find(read, read + kSize, 0) - read;
        EXPECT_EQ(firstZero, c.firstZero);
        EXPECT_TRUE(std::equal(read, read + c.firstZero, bytes.begin()));
        if (c.zerosToEnd) {
            EXPECT_EQ(std::accumulate(read + c.firstZero, read + kSize, int64_t(0)), 0);
        } else if (c.firstZero < kSize) {
            EXPECT_TRUE(std::equal(read + c.firstZero + 1, read + kSize, bytes.begin() + c.firstZero + 1));
        }
        EXPECT_EQ(mapped.file->changed(), c.changed);
    }
}

TEST(MappedFile, WhatIsNotWorthMappingOrCannotBeMappedIsLeftToBeRead)
{
    QTemporaryDir dir;
    const QString small = dir.filePath(QStringLiteral("small"));
    writeFile(small, pattern(MappedFile::kMinMappedBytes - 1));
    MappedAt shortFile;
    mapAt(small, MappedFile::kMinMappedBytes - 1, shortFile);
    EXPECT_FALSE(shortFile.file);

    // Asked for more than the file holds.
    const QString large = dir.filePath(QStringLiteral("large"));
    writeFile(large, pattern(kSize));
    MappedAt beyond;
    mapAt(large, kSize + 1, beyond);
    EXPECT_FALSE(beyond.file);

    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    EXPECT_FALSE(MappedFile::map(pipe[0], kSize, QStringLiteral("pipe")));
    ::close(pipe[0]);
    ::close(pipe[1]);

    // As many as the fault handler can mend at once, and no more; a place is free again once
    // its mapping goes.
    std::vector<std::unique_ptr<MappedAt>> held;
    while (held.size() < 100) {
        held.push_back(std::make_unique<MappedAt>());
        mapAt(large, kSize, *held.back());
        if (!held.back()->file)
            break;
    }
    EXPECT_EQ(held.size(), 33u);
    held.front().reset();
    MappedAt again;
    mapAt(large, kSize, again);
    EXPECT_TRUE(again.file);
}

// The system's own account of a mapping (/proc/self/smaps): how much of it is mapped 2 MiB at a
// time, in KiB.
int64_t filePmdMappedKiB(const void* start)
{
    QFile smaps(QStringLiteral("/proc/self/smaps"));
    if (!smaps.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    const QByteArray head = QByteArray::number(qulonglong(reinterpret_cast<uintptr_t>(start)), 16) + '-';
    bool inside = false;
    for (QByteArray line = smaps.readLine(); !line.isEmpty(); line = smaps.readLine()) {
        if (!line.isEmpty() && std::isxdigit(static_cast<unsigned char>(line[0])) && line.contains('-'))
            inside = line.startsWith(head);
        else if (inside && line.startsWith("FilePmdMapped:"))
            return line.mid(14).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

TEST(MappedFile, TellsWhetherTheSystemHoldsTheFileInLargePages)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("dial.bmp"));
    // Written in one piece, the file is held in large pages where the system can hold it so (as
    // this kind of machine does); 4 KiB at a time, in small ones.
    for (const size_t piece : {size_t(kSize), size_t(4096)}) {
        SCOPED_TRACE(piece);
        writeInPieces(path, pattern(kSize), piece);
        MappedAt mapped;
        mapAt(path, kSize, mapped);
        ASSERT_TRUE(mapped.file);
        const bool held = mapped.file->heldInLargePages();
        // The first 2 MiB have been read; the system says how it mapped them.
        const int64_t pmdMapped = filePmdMappedKiB(mapped.file->data());
        ASSERT_GE(pmdMapped, 0) << "the mapping is not in /proc/self/smaps";
        EXPECT_EQ(held, pmdMapped > 0);
    }
}

TEST(MappedFileDeathTest, AFaultInAMappingNotOursStillEndsTheProgram)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("other"));
    writeFile(path, pattern(kSize));
    MappedAt ours; // the fault handler is in place
    mapAt(path, kSize, ours);
    ASSERT_TRUE(ours.file);
    EXPECT_DEATH(
        {
            const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
            auto* other = static_cast<volatile uint8_t*>(::mmap(nullptr, size_t(kSize), PROT_READ, MAP_SHARED, fd, 0));
            ::ftruncate(::open(QFile::encodeName(path).constData(), O_WRONLY), 0);
            std::fprintf(stderr, "%d\n", other[kSize - 1]);
        },
        "");
}

} // namespace
