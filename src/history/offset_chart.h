#pragma once

#include <QWidget>
#include <vector>

#include "history/history_chart.h"

namespace hodra {

// The history window's chart: the measured offset over time as ChartModel lays it out, with
// a legend, and the run or runs of the mark under the pointer in its tooltip.
class OffsetChart : public QWidget {
    Q_OBJECT
public:
    explicit OffsetChart(QWidget* parent = nullptr);

    // The runs of the span [fromMs, nowMs]; `anyRuns` whether the history holds any at all.
    void SetRuns(std::vector<RunRecord> runs, std::int64_t fromMs, std::int64_t nowMs, bool anyRuns);
    const ChartModel& model() const { return shown; }
    // Where the model's axes lie in the widget.
    QRect plotArea() const { return plot; }
    // Where a mark of the model is drawn, and the text the tooltip shows for the mark
    // nearest `at` (empty where none is near).
    QPointF Place(const ChartMark& mark) const;
    QString MarkTextAt(QPoint at) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    void Rebuild();
    int LegendHeight(int width) const;
    double X(double utcMs) const;
    double Y(double offset) const;
    void DrawGrid(QPainter& p) const;
    void DrawMarks(QPainter& p) const;
    void DrawLegend(QPainter& p) const;

    std::vector<RunRecord> runs;
    std::int64_t fromMs = 0;
    std::int64_t nowMs = 0;
    bool anyRuns = false;
    ChartModel shown;
    QRect plot;
};

}  // namespace hodra
