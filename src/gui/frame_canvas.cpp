#include "gui/frame_canvas.h"

#include <QPainter>

#include <algorithm>

#include "cpc/show_frame.h"

namespace volumix {

CFrameCanvas::CFrameCanvas(const CDibSurface& surface, QWidget* parent) : QWidget(parent), surface_(surface) {
    setFixedSize(FrameWidth * FrameViewScaleX, FrameHeight * FrameViewScaleY);
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
        image_ = QImage(reinterpret_cast<const uchar*>(surface_.bits), surface_.width, surface_.height,
                        surface_.width * 4, QImage::Format_RGB32);
        wrapped_ = surface_.bits;
    }
    // Whole-factor enlargement with no smoothing: every frame pixel stays a
    // sharp block, also on a screen scaled by a whole factor.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRect(0, 0, surface_.width * FrameViewScaleX, surface_.height * FrameViewScaleY), image_);
}

}  // namespace volumix
