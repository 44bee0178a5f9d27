#pragma once

#include <QColor>
#include <QWidget>

#include <cstdint>
#include <vector>

#include "export/z80_replay.h"

namespace volumix {

// The "Lecture CPC" dialog's bar chart: one bar per replayed frame (the
// loop's frame 0 last), its height the frame's cost against the budget of
// its slot (rate x 19,968 µs), which a line marks. A bar above the line is
// over budget; a bar under it whose frame still ended after its slot started
// late (the frame before overran).
class CCostChart : public QWidget {
    Q_OBJECT
public:
    enum BarKind : int32_t { BarFits = 0, BarLate, BarOverBudget };

    explicit CCostChart(QWidget* parent);

    void setReport(const ReplayReport& report);
    // The bar of the frame on the monitor, marked under the chart; -1: none.
    void setCurrentBar(int32_t bar);

    int32_t barCount() const { return static_cast<int32_t>(bars_.size()); }
    int64_t budget() const { return budget_; }
    int64_t barCost(int32_t bar) const { return bars_[static_cast<size_t>(bar)].nops; }
    BarKind barKind(int32_t bar) const { return bars_[static_cast<size_t>(bar)].kind; }
    // The columns a bar takes, the whole height of the chart.
    QRect barColumns(int32_t bar) const;
    // The bar under x, or -1.
    int32_t barAt(int x) const;
    // The height of the budget line and of the chart's floor.
    int budgetLineY() const;
    int floorY() const;

    static QColor colourOf(BarKind kind);

signals:
    // The bar under the mouse; -1 when it leaves the bars.
    void barHovered(int bar);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    struct Bar {
        int64_t nops = 0;
        BarKind kind = BarFits;
    };
    // Pixels from the floor for a cost.
    int heightOf(int64_t nops) const;

    std::vector<Bar> bars_;
    int64_t budget_ = NopsPerFrame;
    int64_t top_ = NopsPerFrame;  // the cost at the chart's top
    int32_t current_ = -1;
    int32_t hovered_ = -1;
};

}  // namespace volumix
