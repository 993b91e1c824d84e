#include "SampleProject.h"

#include "datafile/DataFileCheck.h"
#include "datafile/DataFileSource.h"
#include "datafile/Dialwright_FCI.h"

#include "platform/CabinetReader.h"
#include "platform/ScriptedSeam.h"

#include "tests/support/CabinetLayout.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <zlib.h>

using namespace dw;
using namespace dw::test;

namespace {

// A cabinet packed by the program's own packer, with the given members (name → bytes).
Bytes packed(const QTemporaryDir& dir, const std::vector<std::pair<QString, Bytes>>& members)
{
    QStringList entries;
    for (const auto& [name, bytes] : members) {
        const QString source = dir.filePath(QStringLiteral("source-") + name);
        writeFile(source, bytes);
        entries << name + QLatin1Char('|') + source;
    }
    const QString cabinet = dir.filePath(QStringLiteral("packed.pdl"));
    QString reason;
    EXPECT_TRUE(MakeCabinet(cabinet, entries, &reason)) << reason.toStdString();
    return readFile(cabinet);
}

Bytes randomBytes(size_t n, uint32_t seed)
{
    Bytes b(n);
    for (auto& c : b) {
        seed = seed * 1103515245u + 12345u;
        c = uint8_t(seed >> 16);
    }
    return b;
}

} // namespace

TEST(CabinetReader, ListsAndExtractsWhatTheCabinetToolsSee)
{
    QTemporaryDir dir;
    const Bytes data = randomBytes(100000, 7); // more than one 32 KiB block
    const Bytes note = bytesOf("a second member\r\n");
    const Bytes cabinet = packed(dir, {{QStringLiteral("DATA"), data}, {QStringLiteral("NOTE.TXT"), note}});

    CabinetReader reader;
    ASSERT_EQ(reader.open(cabinet.data(), int64_t(cabinet.size())), QString());
    ASSERT_EQ(reader.members().size(), 2u);
    EXPECT_EQ(reader.folderCount(), 1);
    EXPECT_EQ(reader.members()[0].name, QStringLiteral("DATA"));
    EXPECT_EQ(reader.members()[0].size, 100000);
    EXPECT_EQ(reader.members()[0].compression, 1);
    EXPECT_EQ(reader.members()[1].name, QStringLiteral("NOTE.TXT"));
    Bytes out;
    ASSERT_EQ(reader.extract(0, out), QString());
    EXPECT_EQ(out, data);
    ASSERT_EQ(reader.extract(1, out), QString());
    EXPECT_EQ(out, note);
    ASSERT_EQ(reader.extract(0, out), QString()) << "a member can be extracted again";
    EXPECT_EQ(out, data);

    // The same cabinet through the independent tools.
    const QString path = dir.filePath(QStringLiteral("packed.pdl"));
    const ProcessResult listing = runProcess(QStringLiteral("gcab"), {QStringLiteral("-t"), path});
    ASSERT_EQ(listing.exitCode, 0) << listing.err.toStdString();
    EXPECT_EQ(listing.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts),
              (QStringList{QStringLiteral("DATA"), QStringLiteral("NOTE.TXT")}));
    QTemporaryDir unpacked;
    ASSERT_EQ(cabextractInto(path, unpacked.path()).exitCode, 0);
    EXPECT_EQ(readFile(unpacked.filePath(QStringLiteral("DATA"))), data);
}

TEST(CabinetReader, StoredCabinetOfTheGcabToolIsRead)
{
    QTemporaryDir dir;
    const Bytes data = randomBytes(5000, 3);
    writeFile(dir.filePath(QStringLiteral("DATA")), data);
    const QString path = dir.filePath(QStringLiteral("stored.cab"));
    const ProcessResult made = runProcess(QStringLiteral("gcab"), {QStringLiteral("-c"), QStringLiteral("-n"), path, dir.filePath(QStringLiteral("DATA"))});
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    const Bytes cabinet = readFile(path);
    CabinetReader reader;
    ASSERT_EQ(reader.open(cabinet.data(), int64_t(cabinet.size())), QString());
    ASSERT_EQ(reader.members().size(), 1u);
    EXPECT_EQ(reader.members()[0].compression, 0);
    Bytes out;
    ASSERT_EQ(reader.extract(0, out), QString());
    EXPECT_EQ(out, data);
}

TEST(CabinetReader, DamagedCabinetsAreRefusedWithAReason)
{
    QTemporaryDir dir;
    const Bytes data = randomBytes(40000, 11);
    const Bytes cabinet = packed(dir, {{QStringLiteral("DATA"), data}});
    CabinetReader reader;

    EXPECT_TRUE(reader.open(nullptr, 0).contains(QStringLiteral("signature")));
    const Bytes foreign = bytesOf("PK\x03\x04 not a cabinet");
    EXPECT_TRUE(reader.open(foreign.data(), int64_t(foreign.size())).contains(QStringLiteral("signature")));
    EXPECT_FALSE(reader.isOpen());

    const Bytes shortHeader(cabinet.begin(), cabinet.begin() + 20);
    EXPECT_TRUE(reader.open(shortHeader.data(), int64_t(shortHeader.size())).contains(QStringLiteral("fewer than its 36-byte header")));

    const Bytes truncated(cabinet.begin(), cabinet.end() - 100);
    EXPECT_TRUE(reader.open(truncated.data(), int64_t(truncated.size())).startsWith(QStringLiteral("the cabinet is truncated")));

    Bytes set = cabinet;
    set[30] |= 0x02; // "a next cabinet follows"
    EXPECT_TRUE(reader.open(set.data(), int64_t(set.size())).contains(QStringLiteral("set of cabinets")));

    // A damaged data block: the header and the member table still read, the data do not.
    Bytes corrupt = cabinet;
    corrupt[corrupt.size() - 500] ^= 0xFF;
    ASSERT_EQ(reader.open(corrupt.data(), int64_t(corrupt.size())), QString());
    Bytes out;
    const QString why = reader.extract(0, out);
    EXPECT_TRUE(why.startsWith(QStringLiteral("member DATA cannot be extracted"))) << why.toStdString();
    EXPECT_TRUE(out.empty());
}

TEST(CabinetReader, MembersBeyondTheLimitAreListedButNotExtracted)
{
    QTemporaryDir dir;
    const Bytes cabinet = packed(dir, {{QStringLiteral("DATA"), Bytes(5000, 0x41)}});
    CabinetReader reader;
    ASSERT_EQ(reader.open(cabinet.data(), int64_t(cabinet.size())), QString());
    Bytes out;
    EXPECT_EQ(reader.extract(0, out, 4999), QStringLiteral("member DATA holds 5000 bytes, more than the 4999 bytes extracted at most"));
    EXPECT_EQ(reader.extract(1, out), QStringLiteral("the cabinet has no member 1"));
    EXPECT_EQ(reader.extract(0, out, 5000), QString());
}

namespace {

void append(Bytes& to, const Bytes& more) { to.insert(to.end(), more.begin(), more.end()); }

void put16(Bytes& b, uint32_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void put32(Bytes& b, uint32_t v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

// The cabinet checksum of a data block (its bytes, then its two size fields).
uint32_t cabinetChecksum(const uint8_t* p, size_t n, uint32_t sum)
{
    size_t i = 0;
    for (; i + 4 <= n; i += 4)
        sum ^= uint32_t(p[i]) | uint32_t(p[i + 1]) << 8 | uint32_t(p[i + 2]) << 16 | uint32_t(p[i + 3]) << 24;
    uint32_t rest = 0;
    for (; i < n; ++i)
        rest = rest << 8 | p[i];
    return sum ^ rest;
}

// A cabinet of one MSZIP member whose blocks each take the block before them as dictionary,
// as the system's cabinet library writes them (the writer used here compresses every block on
// its own): a block that repeats the one before it is a few bytes of back-references.
Bytes cabinetWithHistory(const std::vector<Bytes>& blocks)
{
    std::vector<Bytes> packedBlocks;
    Bytes previous;
    for (const Bytes& block : blocks) {
        z_stream z {};
        EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
        if (!previous.empty()) {
            EXPECT_EQ(deflateSetDictionary(&z, previous.data(), uInt(previous.size())), Z_OK);
        }
        Bytes out(40000);
        out[0] = 'C';
        out[1] = 'K';
        z.next_in = const_cast<Bytef*>(block.data());
        z.avail_in = uInt(block.size());
        z.next_out = out.data() + 2;
        z.avail_out = uInt(out.size() - 2);
        EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
        out.resize(2 + z.total_out);
        deflateEnd(&z);
        packedBlocks.push_back(out);
        previous = block;
    }
    size_t total = 0;
    for (const Bytes& b : blocks)
        total += b.size();
    const uint32_t filesOffset = 36 + 8;
    const uint32_t dataOffset = filesOffset + 16 + 5;
    uint32_t cabinetSize = dataOffset;
    for (const Bytes& b : packedBlocks)
        cabinetSize += uint32_t(8 + b.size());

    Bytes c = bytesOf("MSCF");
    put32(c, 0);
    put32(c, cabinetSize);
    put32(c, 0);
    put32(c, filesOffset);
    put32(c, 0);
    c.push_back(3); // version 1.3
    c.push_back(1);
    put16(c, 1); // folders
    put16(c, 1); // files
    put16(c, 0); // flags
    put16(c, 0); // set ID
    put16(c, 0); // cabinet number
    put32(c, dataOffset);
    put16(c, uint32_t(blocks.size()));
    put16(c, 1); // MSZIP
    put32(c, uint32_t(total));
    put32(c, 0);      // at the start of the folder
    put16(c, 0);      // folder 0
    put16(c, 0x5821); // 2024-01-01
    put16(c, 0);
    put16(c, 0);
    append(c, bytesOf(std::string("DATA", 5)));
    for (size_t i = 0; i < blocks.size(); ++i) {
        Bytes sizes;
        put16(sizes, uint32_t(packedBlocks[i].size()));
        put16(sizes, uint32_t(blocks[i].size()));
        put32(c, cabinetChecksum(sizes.data(), 4, cabinetChecksum(packedBlocks[i].data(), packedBlocks[i].size(), 0)));
        append(c, sizes);
        append(c, packedBlocks[i]);
    }
    return c;
}

} // namespace

TEST(CabinetReader, BlocksThatReferToTheBlockBeforeThemAreDecompressed)
{
    // Whole 32 KiB blocks but the last, as a folder has them. The second block begins with the
    // end of the first, near enough for the compressor to refer back to it (32,506 bytes at
    // most); the last repeats part of the second.
    const Bytes first = randomBytes(32768, 5);
    Bytes second(first.begin() + 2768, first.end());
    append(second, randomBytes(2768, 6));
    const Bytes last(second.begin() + 5000, second.begin() + 6000);
    const Bytes cabinet = cabinetWithHistory({first, second, last});
    Bytes expected = first;
    append(expected, second);
    append(expected, last);
    EXPECT_LT(cabinet.size(), 40000u) << "the later blocks refer to the ones before them";

    // The independent tool reads the cabinet the same way.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.cab"));
    writeFile(path, cabinet);
    QTemporaryDir unpacked;
    ASSERT_EQ(cabextractInto(path, unpacked.path()).exitCode, 0);
    ASSERT_EQ(readFile(unpacked.filePath(QStringLiteral("DATA"))), expected);

    CabinetReader reader;
    ASSERT_EQ(reader.open(cabinet.data(), int64_t(cabinet.size())), QString());
    Bytes out;
    ASSERT_EQ(reader.extract(0, out), QString());
    EXPECT_EQ(out, expected);

    // Handed over a block at a time, and no further than the receiver wants.
    std::vector<int64_t> pieces;
    EXPECT_EQ(reader.extractTo(0, [&pieces](const uint8_t*, int64_t n) {
        pieces.push_back(n);
        return pieces.size() < 2;
    }),
              QString());
    EXPECT_EQ(pieces, (std::vector<int64_t>{32768, 32768}));
}

TEST(DataFileSource, CompressedSaveReadsLikeTheUncompressedOneAndBreaksNoRule)
{
    seam::ScriptedHandler ui;
    QTemporaryDir dir;
    SampleProject project;
    project.setAllSlots();
    const Bytes image = project.image();
    const Bytes cabinet = packed(dir, {{QStringLiteral("DATA"), image}});

    const OpenedDataFile plain = openDataFile(image);
    const OpenedDataFile packedFile = openDataFile(cabinet);
    ASSERT_TRUE(packedFile.readable()) << packedFile.unreadable.toStdString();
    EXPECT_TRUE(packedFile.cabinet);
    EXPECT_FALSE(plain.cabinet);
    EXPECT_EQ(packedFile.image.members, plain.image.members);
    const DataFileCheck check = checkDataFile(packedFile);
    EXPECT_TRUE(check.passed()) << check.violations.join(QLatin1Char('\n')).toStdString();
}

TEST(DataFileSource, CabinetRulesAreReported)
{
    seam::ScriptedHandler ui;
    QTemporaryDir dir;
    const Bytes image = SampleProject().image();

    const Bytes renamed = packed(dir, {{QStringLiteral("CLOCK"), image}});
    EXPECT_EQ(checkDataFile(renamed.data(), int64_t(renamed.size())).violations,
              QStringList{QStringLiteral("cabinet: its member is named \"CLOCK\", not \"DATA\"")});

    const Bytes two = packed(dir, {{QStringLiteral("DATA"), image}, {QStringLiteral("README"), bytesOf("hi")}});
    const DataFileCheck twoCheck = checkDataFile(two.data(), int64_t(two.size()));
    EXPECT_TRUE(twoCheck.unreadable.isEmpty());
    EXPECT_EQ(twoCheck.violations, QStringList{QStringLiteral("cabinet: holds 2 members (\"DATA\", \"README\"), not the one member \"DATA\"")});

    const Bytes none = packed(dir, {{QStringLiteral("A"), image}, {QStringLiteral("B"), image}});
    EXPECT_EQ(checkDataFile(none.data(), int64_t(none.size())).unreadable, QStringLiteral("the cabinet holds no member named DATA"));

    writeFile(dir.filePath(QStringLiteral("DATA")), image);
    const QString stored = dir.filePath(QStringLiteral("stored.pdl"));
    ASSERT_EQ(runProcess(QStringLiteral("gcab"), {QStringLiteral("-c"), QStringLiteral("-n"), stored, dir.filePath(QStringLiteral("DATA"))}).exitCode, 0);
    const Bytes storedBytes = readFile(stored);
    EXPECT_EQ(checkDataFile(storedBytes.data(), int64_t(storedBytes.size())).violations,
              QStringList{QStringLiteral("cabinet: its member is stored with compression type 0, not MSZIP (1)")});
}
