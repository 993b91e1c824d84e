#pragma once

// The clock a saved custom data file describes, rebuilt from the file's members the way the
// editor holds it: the four renderers with the pictures (the built-in ones for empty picture
// members), the pivots and centres of the header, the shape and ExtrudeHand. Used to draw a saved
// clock without the editor's window.

#include "ClockComposer.h"

#include "platform/Geometry.h"
#include "platform/Region.h"

#include <QImage>
#include <QString>
#include <QTime>

#include <cstdint>
#include <memory>
#include <vector>

namespace dw {

class TRotateImage;

class SavedClock {
public:
    SavedClock();
    ~SavedClock();
    SavedClock(const SavedClock&) = delete;
    SavedClock& operator=(const SavedClock&) = delete;

    // Takes the members of a file image (as readFileImage gives them). Returns an empty string
    // when they describe a clock that can be drawn, else why not, in one English line: fewer
    // than 7 members, a header without one of the pivot and centre keys or with a value that
    // is no 32-bit integer, shape data that are not region data, a dial picture that cannot be
    // decoded.
    QString load(const std::vector<std::vector<uint8_t>>& members);

    ClockScene scene() const;
    // The clock window's size: the dial's rendered picture.
    TSize size() const { return m_size; }
    // The saved shape; empty for none.
    const TRegion& shape() const { return m_shape; }
    bool extrudeHand() const { return m_extrudeHand; }

    // The clock at a time of day as it shows on the desktop: the composed picture (ARGB32, the
    // dial's size) with every pixel outside the window region transparent (alpha 0). The window
    // region is the shape (the whole picture when there is none), widened by the hands when the
    // file says ExtrudeHand=1.
    QImage render(const QTime& time);
    // The same pixels in Format_ARGB32_Premultiplied, whose bits they are as well (every pixel
    // is opaque or 0): the form smooth scaling works in, so that it makes no converted copy.
    QImage renderPremultiplied(const QTime& time);
    // The window region at the hands' current angles.
    TRegion windowRegion() const;

private:
    QImage renderAs(const QTime& time, QImage::Format format);

    std::unique_ptr<TRotateImage> m_dial, m_hour, m_minute, m_second;
    TPoint m_hourCenter, m_minCenter, m_secCenter;
    TRegion m_shape;
    bool m_extrudeHand = false;
    TSize m_size;
};

} // namespace dw
