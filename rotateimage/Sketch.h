#pragma once

// The pencil-sketch rendering: an 8-bit grey image whose darkness follows the colour edges of
// the source.

#include "platform/MemoryStream.h"

namespace dw {

// The sketch's constants: edge threshold, divisor and offset.
constexpr int kSketchThreshold = 120;
constexpr int kSketchDivisor = 5;
constexpr int kSketchOffset = 128;

// Writes the sketch of an 8- or 24-bit image into `destination`: same width and height, 8 bits,
// the grey table (i, i, i, 0), pixel data at 1078. Flat areas are white (255), the strongest
// edge gives 64. Returns false and leaves `destination` as it was when the source is not a
// usable 8- or 24-bit image; returns false with `destination` emptied when the sketch would
// exceed the decoded-picture limit of EngineLimits.h.
bool MakeSketch(const TMemoryStream& source, TMemoryStream& destination);

// The grey level of a pixel whose edge strength is m (0 .. 510): 255 − v div 2 with
// v = 280 + m div 5 above the threshold and 304 · m div 120 up to it.
int sketchGrey(int m);

} // namespace dw
