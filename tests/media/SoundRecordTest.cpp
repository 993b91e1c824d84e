// The sound slots' records byte for byte, and what they say about their menu items.
#include "media/SlotRecord.h"
#include "media/SoundRecord.h"
#include "platform/FrameworkError.h"

#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace dw;
using namespace dw::test;

TEST(SoundRecord, EmbeddedRecordIsSlotKindOneAndTheFileUnchanged)
{
    const std::vector<uint8_t> wave = {'R', 'I', 'F', 'F', 0, 0xFF, 0, 7};
    TMemoryStream record;
    record.WriteInt32(99); // whatever was there goes
    record.WriteInt32(99);
    record.WriteInt32(99);
    writeEmbeddedSound(record, kHourSoundSlot, wave.data(), int64_t(wave.size()));
    EXPECT_EQ(bytesOf(record), cat({le32(3), le32(1), wave}));
    EXPECT_EQ(soundItemStates(record), (SoundItemStates{true, true}));
    EXPECT_EQ(recordedSoundName(record), std::nullopt) << "an embedded slot has no name";
}

TEST(SoundRecord, EmptyWaveFileLeavesTheHeaderAloneWithItsItemsEnabled)
{
    TMemoryStream record;
    writeEmbeddedSound(record, kZeroSoundSlot, nullptr, 0);
    EXPECT_EQ(bytesOf(record), cat({le32(4), le32(1)}));
    EXPECT_EQ(soundItemStates(record), (SoundItemStates{true, true}));
}

TEST(SoundRecord, NamedRecordIsSlotKindZeroNameAndNul)
{
    TMemoryStream record;
    const std::string name = "chime \x83\x60.wav"; // CP932 bytes, kept as they are
    writeNamedSound(record, kMinuteSoundSlot, name);
    ASSERT_EQ(record.size(), int64_t(name.size()) + 9);
    EXPECT_EQ(bytesOf(record), cat({le32(2), le32(0), std::vector<uint8_t>(name.begin(), name.end()), {0}}));
    EXPECT_EQ(recordedSoundName(record), name);
    EXPECT_EQ(soundItemStates(record), (SoundItemStates{true, true}));
}

TEST(SoundRecord, EmptyNameMakesTheSlotUnsetNotSilent)
{
    TMemoryStream record;
    writeSilentRecord(record, kSecondSoundSlot);
    writeNamedSound(record, kSecondSoundSlot, "");
    EXPECT_EQ(record.size(), 0);
    EXPECT_EQ(soundItemStates(record), (SoundItemStates{false, false}));
}

TEST(SoundRecord, SilentRecordIsTheSlotNumberAlone)
{
    TMemoryStream record;
    const std::vector<uint8_t> wave(100, 0x55);
    writeEmbeddedSound(record, kMinuteSoundSlot, wave.data(), 100);
    writeSilentRecord(record, kMinuteSoundSlot);
    EXPECT_EQ(bytesOf(record), le32(2));
    EXPECT_EQ(soundItemStates(record), (SoundItemStates{true, false}));
    EXPECT_EQ(recordKind(record), std::nullopt);
    EXPECT_EQ(recordedSoundName(record), std::nullopt);
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
