#pragma once

#include <QRect>
#include <QSize>

#include <cstdint>

namespace vexmoor::ui {

// The place of a link shrunk (or grown) to its caption's extent: vertically
// centred with SS_CENTERIMAGE, else kept at its top; horizontally centred
// with SS_CENTER, kept at its right edge with SS_RIGHT, else at its left
// edge. Centring moves both edges by half the difference, truncated toward
// zero, so an odd difference leaves the extra pixel on the far side.
QRect fitRectToText(const QRect& rect, const QSize& textSize, std::uint32_t style);

} // namespace vexmoor::ui
