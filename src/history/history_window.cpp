#include "history/history_window.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QRadioButton>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "sync/compare_text.h"
#include "history/history_texts.h"
#include "history/offset_chart.h"
#include "dialogs/screen_fit.h"

namespace hodra {
namespace {

constexpr std::int64_t kHourMs = 3600000;

QString Kind(const RunRecord& r) {
    return r.synchronise ? text::kRunSync : text::kRunCompare;
}

QString Outcome(RunResult result) {
    return text::OutcomeTextOf(ResultWord(result))->brief;
}

QString Seconds(const std::optional<double>& value, int decimals, bool withSign) {
    return value ? QString::fromStdString(FormatFixed(*value, decimals, withSign)) : QString();
}

QString Server(const RunRecord& r) {
    const QString host = QString::fromStdString(r.server);
    return r.address.empty() ? host : QString(text::kServerAndAddress).arg(host, QString::fromStdString(r.address));
}

}  // namespace

extern "C" __attribute__((visibility("default"))) HistoryView* HodraCreateHistoryView() {
    return new HistoryWindow;
}

HistoryWindow::HistoryWindow(QWidget* parent) : HistoryView(parent, Qt::Window) {
    setWindowTitle(text::kHistoryTitle);
    plot = new OffsetChart(this);
    BuildList();
    auto* choice = new QHBoxLayout;
    spans = new QButtonGroup(this);
    const std::pair<const char*, Span> kSpans[] = {
        {text::kSpanDay, Span::Day}, {text::kSpanWeek, Span::Week}, {text::kSpanAll, Span::All}};
    for (const auto& [name, which] : kSpans) {
        auto* button = new QRadioButton(name, this);
        button->setChecked(which == span);
        spans->addButton(button, static_cast<int>(which));
        choice->addWidget(button);
    }
    choice->addStretch();
    connect(spans, &QButtonGroup::idClicked, this, [this](int id) { ShowSpan(static_cast<Span>(id)); });
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choice);
    layout->addWidget(plot, 3);
    layout->addWidget(runs, 2);
    // At a large scale factor on a small screen the usual size would not fit on it.
    resize(QSize(760, 560).boundedTo(screen()->availableGeometry().size() - kFrameRoom));
}

void HistoryWindow::BuildList() {
    runs = new QTreeWidget(this);
    runs->setRootIsDecorated(false);
    runs->setUniformRowHeights(true);
    runs->setMinimumHeight(fontMetrics().height() * 5);
    QStringList columns;
    for (const char* column : text::kHistoryColumns) {
        columns << column;
    }
    runs->setHeaderLabels(columns);
    // The server takes what the others leave and is cut short (its tooltip has it whole).
    runs->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    runs->header()->setStretchLastSection(true);
}

void HistoryWindow::SetRecords(std::vector<RunRecord> records, const QDateTime& at) {
    all = std::move(records);
    now = at;
    Refill();
}

void HistoryWindow::ShowSpan(Span which) {
    span = which;
    if (QAbstractButton* b = spans->button(static_cast<int>(which))) {
        b->setChecked(true);
    }
    Refill();
}

// The last day or week, whole; all of it from the first run on (an hour at least), with a
// little room before the first run's mark.
void HistoryWindow::Refill() {
    const std::int64_t to = now.toMSecsSinceEpoch();
    std::int64_t from = to - (span == Span::Day ? 24 : 7 * 24) * kHourMs;
    if (span == Span::All) {
        const std::int64_t first = all.empty() ? to : std::min(all.front().utcMs, to);
        from = std::min(first - (to - first) / 30, to - kHourMs);
    }
    // Runs stamped after now (by a clock that was fast, since set back) stay in the list; the
    // chart's axis ends now.
    visible.clear();
    std::copy_if(all.begin(), all.end(), std::back_inserter(visible),
                 [from](const RunRecord& r) { return r.utcMs >= from; });
    plot->SetRuns(visible, from, to, !all.empty());
    FillList();
}

void HistoryWindow::FillList() {
    runs->clear();
    QList<QTreeWidgetItem*> items;
    for (auto r = visible.rbegin(); r != visible.rend(); ++r) {
        auto* item = new QTreeWidgetItem(
            QStringList{QDateTime::fromMSecsSinceEpoch(r->utcMs).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                        Kind(*r), QString(r->automatic ? text::kRunAutomatic : text::kRunByUser), Outcome(r->result),
                        Seconds(r->offset, 3, true), Seconds(r->delay, 6, false), Seconds(r->step, 3, true),
                        r->offset ? QString::number(r->stratum) : QString(),
                        r->authenticated ? QStringLiteral("NTS") : QString(), Server(*r)});
        item->setToolTip(static_cast<int>(std::size(text::kHistoryColumns)) - 1, Server(*r));
        items << item;
    }
    runs->addTopLevelItems(items);
}

void HistoryWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    HistoryView::keyPressEvent(event);
}

}  // namespace hodra
