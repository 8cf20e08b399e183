#pragma once

#include <QDateTime>
#include <vector>

#include "history_view.h"

class QButtonGroup;
class QTreeWidget;
QT_BEGIN_NAMESPACE
class QChart;
class QChartView;
class QDateTimeAxis;
QT_END_NAMESPACE

namespace hodra {

// "기록": the measured offset over time (a point per run, coloured by its outcome, each step
// drawn as a vertical mark across the plot) for the last day, week or all, and
// beneath it the runs themselves, newest first. Modeless; it reads what it is given.
class HistoryWindow : public HistoryView {
    Q_OBJECT
public:
    enum class Span { Day, Week, All };

    explicit HistoryWindow(QWidget* parent = nullptr);

    void SetRecords(std::vector<RunRecord> records, const QDateTime& now) override;
    void ShowSpan(Span span);

    QChart* chart() const;
    QTreeWidget* list() const { return runs; }
    // The records the chart and the list show now.
    const std::vector<RunRecord>& shown() const { return visible; }

private:
    void BuildChart();
    void BuildList();
    void Refill();
    void FillChart();
    QDateTimeAxis* TimeAxis() const;
    void FitTimeTicks();
    void FillList();

    QChartView* view = nullptr;
    QTreeWidget* runs = nullptr;
    QButtonGroup* spans = nullptr;
    Span span = Span::Week;
    std::vector<RunRecord> all;
    std::vector<RunRecord> visible;
    QDateTime now;
};

}  // namespace hodra
