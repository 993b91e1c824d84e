#pragma once

// Where a hand picture's rotation hole most likely is, found from the picture alone.
//
// The hole of a drawn hand sits where the hand is broadest, in its hub: the point of the hand's
// shape that lies deepest inside it, the centre of the largest disc that fits into the opaque
// pixels. Distances are exact Euclidean ones between pixel centres, with everything outside the
// picture counting as see-through. Points whose depth is within one pixel of the deepest count
// as ties (a bar of even width has no single deepest point, and a drawn disc is no exact
// circle); of them the one nearest the lower end of the hand's long axis is found, since hands
// are drawn pointing up and turn about their lower part. Around that point, the deepest place
// is then taken to half a pixel, on pixel centres and the corners between them: for a round hub
// drawn symmetric about a pixel this is that pixel, so the suggestion is the hub's centre
// exactly. A hub of even size is centred on the corner between its four middle pixels; the
// suggestion is then the right and lower of them, the pixel at size div 2 from the hub's first
// column and row, as the middle of an even-sized dial is its width div 2.

#include <QImage>
#include <QPoint>

#include <optional>

namespace dw {

// The suggested hole in the picture's pixel coordinates. Opaque pixels are those with an alpha
// above 0 (the positioning dialog's hand picture has its see-through colour at alpha 0). None
// when the picture has no opaque pixel.
std::optional<QPoint> suggestRotationHole(const QImage& hand);

} // namespace dw
