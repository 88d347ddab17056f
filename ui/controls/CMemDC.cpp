#include "ui/controls/CMemDC.h"

#include <QWidget>

namespace tarnel::ui {

CMemDC::CMemDC(QWidget& target, const QRect& area, const QColor& background)
    : target_(target), area_(area) {
    const qreal ratio = target.devicePixelRatioF();
    pixmap_ = QPixmap(area.size() * ratio);
    pixmap_.setDevicePixelRatio(ratio);
    pixmap_.fill(background);
    painter_.begin(&pixmap_);
    painter_.setFont(target.font());
    painter_.translate(-area.topLeft());
}

CMemDC::~CMemDC() {
    painter_.end();
    QPainter onScreen(&target_);
    onScreen.drawPixmap(area_.topLeft(), pixmap_);
}

}  // namespace tarnel::ui
