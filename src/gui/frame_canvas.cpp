#include "gui/frame_canvas.h"

#include <QPainter>

#include <algorithm>


namespace volumix {

QImage wrapSurface(const CDibSurface& surface) {
    if (surface.bits == nullptr || surface.width <= 0 || surface.height <= 0) return {};
    return QImage(reinterpret_cast<const uchar*>(surface.bits), surface.width, surface.height, surface.width * 4,
                  QImage::Format_RGB32);
}

CFrameCanvas::CFrameCanvas(const CDibSurface& surface, int scaleX, int scaleY, QWidget* parent)
    : QWidget(parent), surface_(surface), scaleX_(scaleX), scaleY_(scaleY) {
    setFixedSize(surface.width * scaleX, surface.height * scaleY);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CFrameCanvas::showSurface() {
    if (!waiting_.isValid()) waiting_.start();
    update();
}

void CFrameCanvas::paintEvent(QPaintEvent*) {
    if (waiting_.isValid()) {
        longestWait_ = std::max(longestWait_, waiting_.elapsed());
        waiting_.invalidate();
    }
    QPainter painter(this);
    if (surface_.bits == nullptr || surface_.width <= 0 || surface_.height <= 0) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    if (wrapped_ != surface_.bits || image_.width() != surface_.width || image_.height() != surface_.height) {
        image_ = wrapSurface(surface_);
        wrapped_ = surface_.bits;
    }
    // Whole-factor enlargement with no smoothing: every frame pixel stays a
    // sharp block, also on a screen scaled by a whole factor.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRect(0, 0, surface_.width * scaleX_, surface_.height * scaleY_), image_);
}

}  // namespace volumix
