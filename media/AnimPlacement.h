#pragma once

// The arithmetic of placing an animation's first frame over the clock picture by mouse and
// keys, kept apart from the dialog's widgets.

#include "platform/Geometry.h"

#include <QString>

namespace dw {

// How far a drag moves the picture for a mouse point inside it (both in the picture's own
// coordinates, the start being where the button went down). Ctrl locks one axis: with Shift the
// vertical motion is ignored, without it the horizontal one.
TPoint animDragMove(TPoint mouse, TPoint dragStart, bool ctrl, bool shift);

// The arrow keys of the placement area.
enum class ArrowKey { Left, Up, Right, Down };
// One step of an arrow key: 8 pixels with Ctrl, 1 without.
TPoint animKeyMove(ArrowKey key, bool ctrl);

// The status text of a drag: the picture's left and top, "left, top".
QString animPlaceText(TPoint topLeft);

} // namespace dw
