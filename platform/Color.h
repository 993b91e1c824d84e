#pragma once

#include <cstdint>

namespace dw {

// A colour as the framework numbers it: 0x00BBGGRR for a plain colour (red in the low byte),
// or a system colour: the top bit set and the system colour index in the low byte.
using TColor = int32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;

constexpr TColor systemColor(int index) { return static_cast<TColor>(0x80000000u | uint32_t(index)); }
constexpr TColor clBtnFace = systemColor(15);
constexpr TColor clWindow = systemColor(5);
constexpr TColor clWindowText = systemColor(8);

// The plain 0x00BBGGRR value of a colour, system colours resolved to this platform's palette.
uint32_t ColorToRGB(TColor color);

constexpr uint8_t redOf(uint32_t rgb) { return uint8_t(rgb); }
constexpr uint8_t greenOf(uint32_t rgb) { return uint8_t(rgb >> 8); }
constexpr uint8_t blueOf(uint32_t rgb) { return uint8_t(rgb >> 16); }
constexpr uint32_t rgbOf(uint8_t r, uint8_t g, uint8_t b) { return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16; }

} // namespace dw
