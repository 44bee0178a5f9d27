#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QWidget>

#include "platform/dib_surface.h"

namespace volumix {

// A surface's pixels as an image, without a copy: our 0x00RRGGBB pixels are
// Qt's RGB32 layout (Qt ignores the top byte). Null for a surface with none.
QImage wrapSurface(const CDibSurface& surface);

// A surface shown enlarged by whole factors with no smoothing: the main
// window's preview (the 768 x 200 frame at 1 x 2) and the object editor's
// view (1 x 1). The image is remade only when the surface's memory changes.
class CFrameCanvas : public QWidget {
    Q_OBJECT
public:
    CFrameCanvas(const CDibSurface& surface, int scaleX, int scaleY, QWidget* parent);

    // Asks for a repaint with the surface's current pixels.
    void showSurface();
    // The longest time so far from showSurface to the paint that showed it.
    qint64 longestRepaintWaitMs() const { return longestWait_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const CDibSurface& surface_;
    int scaleX_;
    int scaleY_;
    QImage image_;
    const uint32_t* wrapped_ = nullptr;
    QElapsedTimer waiting_;
    qint64 longestWait_ = 0;
};

}  // namespace volumix
