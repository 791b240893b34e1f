#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSize>

namespace bf {

// The toolbar's images come from 400 x 33 strips of 40-pixel slots; the colour 0xCCCCCC is
// transparent. Buttons show 40 x 32 of each slot.
constexpr QSize kToolbarImageSize{40, 32};
constexpr int kToolbarSlotWidth = 40;
constexpr QRgb kToolbarMaskColour = 0xFFCCCCCC;

QPixmap StripImage(const QImage& strip, int slot);
// Normal and hot images from the normal strip, the disabled image from the disabled strip.
QIcon ToolbarIcon(const QImage& normalStrip, const QImage& disabledStrip, int slot);

} // namespace bf
