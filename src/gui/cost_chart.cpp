#include "gui/cost_chart.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace volumix {

namespace {

// Room under the bars for the marker of the frame on the monitor.
constexpr int MarkerRoom = 5;
constexpr int TopRoom = 2;

}  // namespace

CCostChart::CCostChart(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QColor CCostChart::colourOf(BarKind kind) {
    switch (kind) {
        case BarOverBudget: return QColor(0xFF, 0x40, 0x40);
        case BarLate: return QColor(0xFF, 0xA0, 0x20);
        case BarFits: break;
    }
    return QColor(0x40, 0xC0, 0x60);
}

void CCostChart::setReport(const ReplayReport& report) {
    budget_ = int64_t{std::max(1, report.rate)} * NopsPerFrame;
    bars_.clear();
    int64_t dearest = 0;
    for (const ReplayFrame& frame : report.frames) {
        Bar bar;
        bar.nops = frame.nops;
        bar.kind = frame.nops > budget_ ? BarOverBudget : frame.fits ? BarFits : BarLate;
        bars_.push_back(bar);
        dearest = std::max(dearest, frame.nops);
    }
    // The budget line stays in sight however cheap the frames are.
    top_ = std::max(budget_, dearest) * 23 / 20;
    current_ = -1;
    hovered_ = -1;
    update();
}

void CCostChart::setCurrentBar(int32_t bar) {
    if (bar == current_) return;
    current_ = bar;
    update();
}

QRect CCostChart::barColumns(int32_t bar) const {
    const int count = std::max(1, barCount());
    const int left = static_cast<int>(int64_t{width()} * bar / count);
    const int right = static_cast<int>(int64_t{width()} * (bar + 1) / count);
    return QRect(left, 0, std::max(1, right - left), height());
}

int32_t CCostChart::barAt(int x) const {
    if (bars_.empty() || x < 0 || x >= width()) return -1;
    return std::min(barCount() - 1, static_cast<int32_t>(int64_t{x} * barCount() / std::max(1, width())));
}

int CCostChart::floorY() const { return height() - MarkerRoom; }

int CCostChart::heightOf(int64_t nops) const {
    const int room = std::max(1, floorY() - TopRoom);
    return static_cast<int>(std::min<int64_t>(room, nops * room / std::max<int64_t>(1, top_)));
}

int CCostChart::budgetLineY() const { return floorY() - heightOf(budget_); }

void CCostChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    for (int32_t k = 0; k < barCount(); ++k) {
        QRect column = barColumns(k);
        // A gap between bars where they are wide enough to show one.
        if (column.width() >= 3) column.setWidth(column.width() - 1);
        const int h = std::max(1, heightOf(bars_[static_cast<size_t>(k)].nops));
        QColor colour = colourOf(bars_[static_cast<size_t>(k)].kind);
        if (k == hovered_) colour = colour.lighter(140);
        painter.fillRect(QRect(column.left(), floorY() - h, column.width(), h), colour);
        if (k == current_)
            painter.fillRect(QRect(column.left(), floorY() + 1, column.width(), MarkerRoom - 1), Qt::white);
    }
    painter.setPen(QPen(QColor(0xFF, 0xFF, 0x80), 1, Qt::DashLine));
    painter.drawLine(0, budgetLineY(), width() - 1, budgetLineY());
}

void CCostChart::mouseMoveEvent(QMouseEvent* event) {
    const int32_t bar = barAt(static_cast<int>(event->position().x()));
    if (bar == hovered_) return;
    hovered_ = bar;
    update();
    emit barHovered(bar);
}

void CCostChart::leaveEvent(QEvent*) {
    if (hovered_ < 0) return;
    hovered_ = -1;
    update();
    emit barHovered(-1);
}

}  // namespace volumix
