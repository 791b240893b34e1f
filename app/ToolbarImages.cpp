#include "app/ToolbarImages.h"

#include <QBitmap>

namespace bf {

QPixmap StripImage(const QImage& strip, int slot) {
    const QImage piece =
        strip.copy(slot * kToolbarSlotWidth, 0, kToolbarImageSize.width(), kToolbarImageSize.height())
            .convertToFormat(QImage::Format_ARGB32);
    QPixmap pixmap = QPixmap::fromImage(piece);
    pixmap.setMask(QBitmap::fromImage(piece.createMaskFromColor(kToolbarMaskColour, Qt::MaskInColor)));
    return pixmap;
}

QIcon ToolbarIcon(const QImage& normalStrip, const QImage& disabledStrip, int slot) {
    QIcon icon;
    const QPixmap normal = StripImage(normalStrip, slot);
    icon.addPixmap(normal, QIcon::Normal);
    icon.addPixmap(normal, QIcon::Active);
    icon.addPixmap(StripImage(disabledStrip, slot), QIcon::Disabled);
    return icon;
}

} // namespace bf
