// The sound slots' records byte for byte, and what they say about their menu items.
#include "media/SlotRecord.h"
#include "media/SoundRecord.h"
#include "platform/FrameworkError.h"

#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

using namespace dw;
using namespace dw::test;

// Each way of filling a slot's record over one that held an embedded sound: the bytes, the
// kind, the name and the states of the slot's No Data and Play items.
TEST(SoundRecord, EachWriteReplacesTheRecordByteForByte)
{
    const std::vector<uint8_t> wave = {'R', 'I', 'F', 'F', 0, 0xFF, 0, 7};
    const std::string name = "chime \x83\x60.wav"; // CP932 bytes, kept as they are
    const struct {
        const char* what;
        std::function<void(TMemoryStream&)> write;
        std::vector<uint8_t> bytes;
        std::optional<int32_t> kind;
        std::optional<std::string> name;
        SoundItemStates states;
    } cases[] = {
        {"embedded: the file unchanged",
         [&](TMemoryStream& r) { writeEmbeddedSound(r, kHourSoundSlot, wave.data(), int64_t(wave.size())); },
         cat({le32(3), le32(1), wave}), 1, std::nullopt, {true, true}},
        {"embedded empty wave file: the header alone, its items enabled",
         [](TMemoryStream& r) { writeEmbeddedSound(r, kZeroSoundSlot, nullptr, 0); }, cat({le32(4), le32(1)}), 1,
         std::nullopt, {true, true}},
        {"named: the name and its NUL", [&](TMemoryStream& r) { writeNamedSound(r, kMinuteSoundSlot, name); },
         cat({le32(2), le32(0), std::vector<uint8_t>(name.begin(), name.end()), {0}}), 0, name, {true, true}},
        {"empty name: unset, not silent", [](TMemoryStream& r) { writeNamedSound(r, kSecondSoundSlot, ""); }, {},
         std::nullopt, std::nullopt, {false, false}},
        {"silent: the slot number alone", [](TMemoryStream& r) { writeSilentRecord(r, kMinuteSoundSlot); }, le32(2),
         std::nullopt, std::nullopt, {true, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TMemoryStream record;
        const std::vector<uint8_t> before(100, 0x55);
        writeEmbeddedSound(record, kMinuteSoundSlot, before.data(), 100); // whatever was there goes
        c.write(record);
        EXPECT_EQ(bytesOf(record), c.bytes);
        EXPECT_EQ(recordKind(record), c.kind);
        EXPECT_EQ(recordedSoundName(record), c.name);
        EXPECT_EQ(soundItemStates(record), c.states);
    }
}

TEST(SoundRecord, NameIsReadUpToItsNulOrTheRecordsEnd)
{
    TMemoryStream record;
    record.WriteInt32(1);
    record.WriteInt32(0);
    record.WriteBuffer("ab\0cd", 5);
    EXPECT_EQ(recordedSoundName(record), "ab");
    record.SetSize(10); // "ab" without its NUL
    EXPECT_EQ(recordedSoundName(record), "ab");
    record.SetSize(8); // the header alone holds no name
    EXPECT_EQ(recordedSoundName(record), std::nullopt);
}

TEST(SoundRecord, WaveTooLargeForARecordLeavesTheOldRecord)
{
    TMemoryStream record;
    const std::vector<uint8_t> wave(10, 1);
    writeEmbeddedSound(record, kSecondSoundSlot, wave.data(), 10);
    const std::vector<uint8_t> before = bytesOf(record);
    // Eight header bytes more than a memory stream holds; refused before a byte is read.
    EXPECT_THROW(writeEmbeddedSound(record, kSecondSoundSlot, wave.data(), TMemoryStream::kMaxSize - 7), EFrameworkError);
    EXPECT_EQ(bytesOf(record), before);
}
