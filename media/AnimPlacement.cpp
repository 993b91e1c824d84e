#include "AnimPlacement.h"

namespace dw {

TPoint animDragMove(TPoint mouse, TPoint dragStart, bool ctrl, bool shift)
{
    if (ctrl) {
        if (shift)
            mouse.Y = dragStart.Y;
        else
            mouse.X = dragStart.X;
    }
    return {mouse.X - dragStart.X, mouse.Y - dragStart.Y};
}

TPoint animKeyMove(ArrowKey key, bool ctrl)
{
    const int32_t step = ctrl ? 8 : 1;
    switch (key) {
    case ArrowKey::Left: return {-step, 0};
    case ArrowKey::Up: return {0, -step};
    case ArrowKey::Right: return {step, 0};
    case ArrowKey::Down: return {0, step};
    }
    return {};
}

QString animPlaceText(TPoint topLeft) { return QStringLiteral("%1, %2").arg(topLeft.X).arg(topLeft.Y); }

} // namespace dw
