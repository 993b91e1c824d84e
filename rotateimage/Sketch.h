#pragma once

// The pencil-sketch rendering: an 8-bit grey image whose darkness follows the colour edges of
// the source.

#include "platform/MemoryStream.h"

#include <cmath>
#include <cstdint>

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

// The edge strength m of a pixel whose squared colour differences to its 8 neighbours sum to
// e (0 .. 8 · 3 · 255²): √(e / 3 / 2) rounded half to even, as extended precision gives it.
// No e / 6 lies within 1/12 of the square of a half-integer, so the root is never within
// 8·10⁻⁵ of a half and single precision (error under 3·10⁻⁵ here) rounds it the same way;
// adding one half and truncating is then rounding to nearest. The tests check every e.
inline int sketchEdgeStrength(int32_t e) { return int(std::sqrt(float(e) / 6.0f) + 0.5f); }

// The grey level of a pixel whose edge strength is m (0 .. 510): 255 − v div 2 with
// v = 280 + m div 5 above the threshold and 304 · m div 120 up to it.
int sketchGrey(int m);

} // namespace dw
