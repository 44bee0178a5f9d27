#include "gui/dialog_template.h"

#include <QAbstractButton>
#include <QDialog>
#include <QFont>
#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include <cmath>

namespace volumix {

namespace {
constexpr double PixelsPerDluX = 1.5;
constexpr double PixelsPerDluY = 1.625;
// Liberation Sans at 10 pixels has about the metrics of the 8-point dialog
// font these layouts were made for; the tests check that every caption fits.
constexpr int FontPixelSize = 10;

int toPixels(int units, double scale) { return static_cast<int>(std::lround(units * scale)); }
}  // namespace

QRect dluRect(int x, int y, int width, int height) {
    // Both edges are rounded, so neighbouring controls never overlap by a pixel.
    const int left = toPixels(x, PixelsPerDluX);
    const int top = toPixels(y, PixelsPerDluY);
    const int right = toPixels(x + width, PixelsPerDluX);
    const int bottom = toPixels(y + height, PixelsPerDluY);
    return QRect(left, top, right - left, bottom - top);
}

QFont dialogFont() {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(FontPixelSize);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QFont listFont(const QFont& dialog) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    if (dialog.pixelSize() > 0) font.setPixelSize(dialog.pixelSize());
    else font.setPointSizeF(dialog.pointSizeF());
    return font;
}

void setDialogSize(QDialog& dialog, int width, int height) {
    const QRect client = dluRect(0, 0, width, height);
    dialog.setFixedSize(client.size());
}

void makeNotAutoDefault(QAbstractButton* button) {
    if (auto* push = qobject_cast<QPushButton*>(button)) {
        push->setAutoDefault(false);
        push->setDefault(false);
    }
}

CSwatchFrame::CSwatchFrame(QWidget* parent, bool sunken) : QFrame(parent) {
    if (sunken) setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setCursor(Qt::PointingHandCursor);
}

void CSwatchFrame::setColour(QColor colour) {
    if (colour == colour_) return;
    colour_ = colour;
    update();
}

void CSwatchFrame::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(contentsRect(), colour_);
    painter.end();
    QFrame::paintEvent(event);
}

void CSwatchFrame::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
    QFrame::mouseReleaseEvent(event);
}

QColor colourOfRef(uint32_t colourRef) {
    return QColor(static_cast<int>(colourRef & 0xFF), static_cast<int>((colourRef >> 8) & 0xFF),
                  static_cast<int>((colourRef >> 16) & 0xFF));
}

}  // namespace volumix
