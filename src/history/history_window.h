#pragma once

#include <QDateTime>
#include <vector>

#include "history/history_view.h"

class QButtonGroup;
class QTreeWidget;

namespace hodra {

class OffsetChart;

// "Hodra2 기록": the measured offset over time (OffsetChart) for the last day, week or all,
// and beneath it the runs themselves, newest first. Modeless; it reads what it is given;
// Escape closes it.
class HistoryWindow : public HistoryView {
    Q_OBJECT
public:
    enum class Span { Day, Week, All };

    explicit HistoryWindow(QWidget* parent = nullptr);

    void SetRecords(std::vector<RunRecord> records, const QDateTime& now) override;
    void ShowSpan(Span span);

    OffsetChart* chart() const { return plot; }
    QTreeWidget* list() const { return runs; }
    // The records the chart and the list show now.
    const std::vector<RunRecord>& shown() const { return visible; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildList();
    void Refill();
    void FillList();

    OffsetChart* plot = nullptr;
    QTreeWidget* runs = nullptr;
    QButtonGroup* spans = nullptr;
    Span span = Span::Week;
    std::vector<RunRecord> all;
    std::vector<RunRecord> visible;
    QDateTime now;
};

}  // namespace hodra
