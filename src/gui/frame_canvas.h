#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QWidget>

#include "platform/dib_surface.h"

namespace volumix {

// The preview: the 768 x 200 frame surface shown at scale 1 x 2. The
// surface's 0x00RRGGBB pixels are Qt's RGB32 layout, so the image wraps them
// without a copy; it is remade only when the surface's memory changes.
class CFrameCanvas : public QWidget {
    Q_OBJECT
public:
    CFrameCanvas(const CDibSurface& surface, QWidget* parent);

    // Asks for a repaint with the surface's current pixels.
    void showSurface();
    // The longest time so far from showSurface to the paint that showed it.
    qint64 longestRepaintWaitMs() const { return longestWait_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const CDibSurface& surface_;
    QImage image_;
    const uint32_t* wrapped_ = nullptr;
    QElapsedTimer waiting_;
    qint64 longestWait_ = 0;
};

}  // namespace volumix
