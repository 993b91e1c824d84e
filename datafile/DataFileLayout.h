#pragma once

// The members of a custom data file's stream list and the slot records among them, as the saved
// bytes lay them out. Shared by the writer, the checker and the companion tool.
//
//   0 dial picture, 1 hour hand, 2 minute hand, 3 second hand: bitmap files, empty for the
//     built-in pictures
//   4 window shape: region data (RGNDATA)
//   5 header text, 6 author text: CP932 text with CR LF line breaks
//   7 .. 13 slot records, each identified by its first word, the slot number, in the order
//     7 6 5 4 3 2 1, any of them left out
//
// Slot record (32-bit little-endian integers):
//   sound 1..4:      slot | kind 0 | name | NUL         or  slot | kind 1 | wave file bytes
//   animation 5..7:  slot | kind 1 | params | name | NUL or slot | kind 2 | params | bitmap file
//   either:          slot alone (4 bytes): silent, or animation "none"

#include <QString>

#include <array>
#include <cstdint>

namespace dw::pdl {

enum MemberIndex : int {
    kDialMember = 0,
    kHourHandMember = 1,
    kMinuteHandMember = 2,
    kSecondHandMember = 3,
    kShapeMember = 4,
    kHeaderMember = 5,
    kAuthorMember = 6,
    kFirstSlotMember = 7,
};
constexpr int kFixedMembers = 7;
constexpr int kMaxMembers = 14;

enum SlotNumber : int32_t {
    kSecondSound = 1,
    kMinuteSound = 2,
    kHourSound = 3,
    kZeroHourSound = 4,
    kMinuteAnimation = 5,
    kHourAnimation = 6,
    kZeroHourAnimation = 7,
};
// The order in which slot records follow the fixed members.
constexpr std::array<int32_t, 7> kSlotOrder = {7, 6, 5, 4, 3, 2, 1};

constexpr bool isSoundSlot(int32_t slot) { return slot >= kSecondSound && slot <= kZeroHourSound; }
constexpr bool isAnimationSlot(int32_t slot) { return slot >= kMinuteAnimation && slot <= kZeroHourAnimation; }

// Record kinds.
constexpr int32_t kSoundByName = 0;
constexpr int32_t kSoundEmbedded = 1;
constexpr int32_t kAnimationByName = 1;
constexpr int32_t kAnimationEmbedded = 2;

// The animation parameters inside an animation record (20 bytes, in this order), and the ranges
// the animation settings dialog keeps them in.
struct AnimParams {
    int32_t OffsetX = 0;
    int32_t OffsetY = 0;
    int32_t VertCount = 0;
    int32_t HorzCount = 0;
    int32_t FrameTime = 0;
};
constexpr int kAnimParamsSize = 20;
// The parameters from / into kAnimParamsSize bytes at p.
AnimParams readAnimParams(const uint8_t* p);
void writeAnimParams(uint8_t* p, const AnimParams& params);
constexpr int32_t kMinSplit = 1, kMaxSplit = 100;
constexpr int32_t kMinFrameTime = 50, kMaxFrameTime = 1000;

// Bytes before an animation record's payload: slot, kind, parameters.
constexpr int kAnimationHeaderSize = 8 + kAnimParamsSize;
// Bytes before a sound record's payload: slot, kind.
constexpr int kSoundHeaderSize = 8;

// What one slot record's bytes hold, as far as they go. Nothing is judged here.
struct SlotRecordView {
    bool hasSlot = false;   // at least 4 bytes
    int32_t slot = 0;
    bool hasKind = false;   // at least 8 bytes
    int32_t kind = 0;
    bool hasParams = false; // an animation slot with at least 28 bytes
    AnimParams params;
    // What follows the header of the record's kind (kind of a sound, parameters of an
    // animation); empty when the record does not reach it. Points into the viewed bytes.
    const uint8_t* payload = nullptr;
    int64_t payloadSize = 0;
};
SlotRecordView viewSlotRecord(const uint8_t* bytes, int64_t size);

// "dial picture", "hour hand picture", …, "author text"; "slot record" from index 7 on.
QString memberMeaning(int index);
// "second sound" … "zero-hour animation"; empty for a number that is no slot.
QString slotMeaning(int32_t slot);

// The name under which a member is extracted: its index, then what it is, with an extension
// that says how to open it: "0-dial.bmp", "4-shape.rgn", "5-header.txt", "6-author.txt",
// "7-slot7-zero-hour-animation.bin" (the record as stored), "9-slot-unknown.bin".
// slot: the record's first word when it has one (ignored below index 7).
QString memberFileName(int index, const SlotRecordView& slot);

} // namespace dw::pdl
