#pragma once

#include <QColor>
#include <QPalette>

#include <cstdint>

namespace linnery {

// A colour as the components store it: 0x80000000 + n is the desktop's system colour n, anything else
// an RGB value laid out as 0x00BBGGRR.
using TColor = std::uint32_t;

constexpr TColor clWindow = 0x80000005;
constexpr TColor clBtnShadow = 0x80000010;
constexpr TColor clBtnHighlight = 0x80000014;

// System colours come from the palette, so they follow the desktop theme.
QColor colorFromValue(TColor value, const QPalette& palette);

} // namespace linnery
