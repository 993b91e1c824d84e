#pragma once

// The clock's sources: a folder of pictures and sounds beside a manifest, clock.toml, that a
// person reads and edits and that names every file relative to itself. The manifest holds
// everything a save writes (the texts, the pivots and centres, the shape, the options, the slots
// and whether the file is packed); the pictures and sounds stay in their own files.
//
//   title = "…"                       author = """…"""        compress = false
//   date = 2026-12-09 14:03:05        (optional: the header's Date)
//   [dial]            file = "dial.bmp"                        (no file: the built-in dial)
//                     convert = true   (false: a picture the clock cannot show is stored as it is)
//   [hands.hour]      file = "…", convert, pivot = [x, y], centre = [x, y]   (also minute, second)
//   [shape]           kind = "dial" | "mask" | "rounded" | "none";
//                     file = "mask.bmp", offset = [x, y] (mask), corners = [w, h] (rounded, 0 to 20 each)
//   [options]         translucent-hands, time-colours, hour-count-sound,
//                     hour-count-animation = "default" | "yes" | "no"; extrude-hands = false
//   [sounds.second]   file = "tick.wav" | name = "tick.wav" | silent = true
//                     (also minute, hour, zero-hour; a slot left out holds nothing)
//   [animations.hour] the same, and offset = [x, y], rows, columns, frame-time (ms)
//                     (also minute, zero-hour)

#include "DataFileHeader.h"
#include "DataFileLayout.h"

#include <QByteArray>
#include <QDateTime>
#include <QPoint>
#include <QString>

#include <array>
#include <optional>

namespace dw {

struct ClockManifest {
    // What a sound or animation slot holds.
    enum class SlotState {
        Nothing, // unset: no record
        Silent,  // the slot number alone ("無し" for an animation)
        File,    // a file of the folder, stored in the clock
        Name,    // a file name recorded, looked for beside the clock by the desktop clock
    };
    struct Slot {
        SlotState state = SlotState::Nothing;
        QString file; // File: relative to the manifest; Name: the name recorded, as it is
        pdl::AnimParams anim; // animations with a File or a Name only
        bool operator==(const Slot& o) const
        {
            return state == o.state && file == o.file && anim.OffsetX == o.anim.OffsetX
                   && anim.OffsetY == o.anim.OffsetY && anim.VertCount == o.anim.VertCount
                   && anim.HorzCount == o.anim.HorzCount && anim.FrameTime == o.anim.FrameTime;
        }
    };
    struct Hand {
        QString file; // empty: the built-in hand
        QPoint pivot;  // hand-picture pixels
        QPoint centre; // dial pixels
        bool convert = true; // see convertDial
        bool operator==(const Hand&) const = default;
    };
    enum class ShapeKind { Dial, Mask, Rounded, None };

    QString title;
    QString author; // lines separated by "\n"
    bool compress = false;
    std::optional<QDateTime> date; // local date and time, whole seconds
    QString dial;                  // empty: the built-in dial
    // A picture file the clock cannot show (PNG, JPEG, a bit-field bitmap) is converted to a
    // 24-bit bitmap as the editor converts it; when false it is stored as it is, as the editor
    // stores one the user chose not to convert (it must still be a whole picture).
    bool convertDial = true;
    std::array<Hand, 3> hands;     // hour, minute, second
    ShapeKind shape = ShapeKind::Dial;
    QString mask;                  // ShapeKind::Mask
    // ShapeKind::Mask: where the mask's top-left pixel lies on the dial. A shape that reaches
    // left of or above the dial (which only a clock made elsewhere has) keeps its place so.
    QPoint maskOffset{0, 0};
    QPoint corners{20, 20};        // ShapeKind::Rounded: the two track bars, 0 to 20
    DataFileHeader::Option translucent = DataFileHeader::OptionDefault;
    DataFileHeader::Option colorEffect = DataFileHeader::OptionDefault;
    DataFileHeader::Option countHourSound = DataFileHeader::OptionDefault;
    DataFileHeader::Option countHourAnimation = DataFileHeader::OptionDefault;
    bool extrudeHand = false;
    // By slot number − 1: the second, minute, hour and zero-hour sounds, then the minute, hour
    // and zero-hour animations.
    std::array<Slot, 7> media;

    bool operator==(const ClockManifest&) const = default;
};

// The manifest's own file name in a folder of sources.
inline constexpr const char* kManifestFileName = "clock.toml";
// The largest manifest read (the author text is at most 1 MiB in the file).
constexpr int64_t kMaxManifestBytes = int64_t(4) << 20;

// Names in the manifest: "hour", "minute", "second" for the hands; "second", "minute", "hour",
// "zero-hour" for the slots (sounds 1 to 4, animations 5 to 7 by the same names).
QString manifestSlotName(int slotNumber);

struct ManifestReading {
    std::optional<ClockManifest> manifest;
    // Why it cannot be read: "LINE:COLUMN: what", in English; empty when it can.
    QString error;
    int line = 0;
    int column = 0;
};

// Reads a manifest's text (UTF-8). Unknown keys and tables, values of the wrong type, numbers out
// of range and a slot with two states or none are refused with the line and column of the
// offending key or value.
ManifestReading readClockManifest(const QByteArray& text);

// The manifest as text (UTF-8, LF line ends), which readClockManifest reads back as it was.
// Every key is written, the defaults too, so that a person sees what can be set.
QByteArray writeClockManifest(const ClockManifest& manifest);

} // namespace dw
