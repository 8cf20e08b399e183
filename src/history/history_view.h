#pragma once

#include <QDateTime>
#include <QWidget>
#include <vector>

#include "history/run_record.h"

namespace hodra {

// The history window "Hodra2 기록" as the program sees it. The clock does not need it at
// start: it lives in a module of its own, loaded on first use.
class HistoryView : public QWidget {
public:
    using QWidget::QWidget;
    virtual void SetRecords(std::vector<RunRecord> records, const QDateTime& now) = 0;
};

// The module's one entry point.
extern "C" using CreateHistoryViewFunction = HistoryView * (*)();
inline constexpr char kCreateHistoryView[] = "HodraCreateHistoryView";

// A new history window from the module beside the program (the build tree) or where it is
// installed; nothing when it cannot be loaded (said on stderr).
HistoryView* LoadHistoryView();

}  // namespace hodra
