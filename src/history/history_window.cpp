#include "history_window.h"

#include <QButtonGroup>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QRadioButton>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLegend>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>
#include <algorithm>

#include "compare_text.h"
#include "history_texts.h"

namespace hodra {
namespace {

constexpr std::size_t kMostStepMarks = 500;

QString Kind(const RunRecord& r) {
    return r.synchronise ? text::kRunSync : text::kRunCompare;
}

QString Outcome(const std::string& word) {
    const text::OutcomeText* known = text::OutcomeTextOf(word);
    return known != nullptr ? QString(known->brief) : QString::fromStdString(word);
}

QString Seconds(const std::optional<double>& value, int decimals) {
    return value ? QString::fromStdString(FormatFixed(*value, decimals, true)) : QString();
}

QDateTime Local(std::int64_t utcMs) {
    return QDateTime::fromMSecsSinceEpoch(utcMs).toLocalTime();
}

QScatterSeries* Points(const QString& name, const QColor& colour) {
    auto* s = new QScatterSeries;
    s->setName(name);
    s->setColor(colour);
    s->setBorderColor(colour.darker(140));
    s->setMarkerSize(9);
    return s;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) HistoryView* HodraCreateHistoryView() {
    return new HistoryWindow;
}

HistoryWindow::HistoryWindow(QWidget* parent) : HistoryView(parent, Qt::Window) {
    setWindowTitle(text::kHistoryTitle);
    BuildChart();
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
    layout->addWidget(view, 3);
    layout->addWidget(runs, 2);
    // At a large scale factor on a small screen the usual size would not fit on it.
    resize(QSize(760, 560).boundedTo(screen()->availableGeometry().size() * 0.9));
}

void HistoryWindow::BuildChart() {
    auto* c = new QChart;
    c->legend()->setAlignment(Qt::AlignBottom);
    c->setMargins(QMargins(4, 4, 4, 4));
    view = new QChartView(c, this);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumHeight(220);
    connect(c, &QChart::plotAreaChanged, this, &HistoryWindow::FitTimeTicks);
}

void HistoryWindow::BuildList() {
    runs = new QTreeWidget(this);
    runs->setRootIsDecorated(false);
    runs->setUniformRowHeights(true);
    QStringList columns;
    for (const char* column : text::kHistoryColumns) {
        columns << column;
    }
    runs->setHeaderLabels(columns);
    runs->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
}

QChart* HistoryWindow::chart() const {
    return view->chart();
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

void HistoryWindow::Refill() {
    const qint64 days = span == Span::Day ? 1 : 7;
    const qint64 from = span == Span::All ? 0 : now.addDays(-days).toMSecsSinceEpoch();
    visible.clear();
    std::copy_if(all.begin(), all.end(), std::back_inserter(visible),
                 [from](const RunRecord& r) { return r.utcMs >= from; });
    FillChart();
    FitTimeTicks();
    FillList();
}

void HistoryWindow::FillChart() {
    QChart* c = chart();
    c->removeAllSeries();
    for (QAbstractAxis* axis : c->axes()) {
        c->removeAxis(axis);
        delete axis;
    }
    auto* compared = Points(text::kRunCompare, QColor(0x1f, 0x77, 0xb4));
    auto* set = Points(text::kRunSync, QColor(0x2c, 0xa0, 0x2c));
    auto* refused = Points(text::kPointsRefused, QColor(0xd6, 0x27, 0x28));
    auto* silent = Points(text::kPointsSilent, QColor(0x80, 0x80, 0x80));
    silent->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
    std::vector<double> steps;
    std::vector<double> unanswered;
    double low = 0.0;
    double high = 0.0;
    for (const RunRecord& r : visible) {
        const auto t = static_cast<double>(r.utcMs);
        if (!r.offset) {
            if (r.outcome == "no-answer") {
                unanswered.push_back(t);
            }
            continue;  // a run that failed before it measured (the helper would not start): the list has it
        }
        QScatterSeries* series = r.step ? set : (r.outcome == "compared" ? compared : refused);
        series->append(t, *r.offset);
        low = std::min(low, *r.offset);
        high = std::max(high, *r.offset);
        if (r.step) {
            steps.push_back(t);
        }
    }
    QDateTimeAxis* time = TimeAxis();
    auto* offset = new QValueAxis;
    offset->setTitleText(text::kOffsetAxis);
    const double margin = std::max(0.05, (high - low) * 0.1);
    offset->setRange(low - margin, high + margin);
    offset->applyNiceNumbers();
    // Runs no server answered sit on the bottom edge: they measured nothing.
    for (const double t : unanswered) {
        silent->append(t, offset->min());
    }
    c->addAxis(time, Qt::AlignBottom);
    c->addAxis(offset, Qt::AlignLeft);
    auto attach = [&](QXYSeries* s) {
        c->addSeries(s);
        s->attachAxis(time);
        s->attachAxis(offset);
    };
    // A step is a dashed line across the plot at its moment: the clock moved there.
    QPen stepPen(QColor(0x2c, 0xa0, 0x2c, 110), 1.0, Qt::DashLine);
    for (std::size_t i = steps.size() > kMostStepMarks ? steps.size() - kMostStepMarks : 0; i < steps.size(); ++i) {
        auto* mark = new QLineSeries;
        mark->setPen(stepPen);
        mark->append(steps[i], offset->min());
        mark->append(steps[i], offset->max());
        attach(mark);
    }
    for (QScatterSeries* s : {compared, set, refused, silent}) {
        attach(s);
    }
    // The marks are lines of their own; the legend names the kinds of point only.
    for (QLegendMarker* marker : c->legend()->markers()) {
        marker->setVisible(qobject_cast<QScatterSeries*>(marker->series()) != nullptr);
    }
}

// The last day or week, whole; all of it from the first run on (an hour at least).
QDateTimeAxis* HistoryWindow::TimeAxis() const {
    QDateTime start = now.addDays(span == Span::Day ? -1 : -7);
    if (span == Span::All) {
        start = visible.empty() ? now.addSecs(-3600) : std::min(Local(visible.front().utcMs), now.addSecs(-3600));
    }
    const QDateTime end = now.addSecs(start.secsTo(now) / 50);
    auto* time = new QDateTimeAxis;
    time->setFormat(start.secsTo(end) <= 2 * 86400 ? QStringLiteral("HH:mm") : QStringLiteral("MM-dd HH:mm"));
    time->setTitleText(text::kTimeAxis);
    time->setRange(start, end);
    return time;
}

// As many times along the axis as fit side by side: a narrow window (or a large scale factor)
// would otherwise cut every label short.
void HistoryWindow::FitTimeTicks() {
    const QList<QAbstractAxis*> across = chart()->axes(Qt::Horizontal);
    auto* time = across.isEmpty() ? nullptr : qobject_cast<QDateTimeAxis*>(across.front());
    if (time == nullptr) {
        return;
    }
    const QFontMetrics metrics(time->labelsFont());
    const QString widest = QDateTime(QDate(2026, 12, 28), QTime(20, 58)).toString(time->format());
    const int label = metrics.horizontalAdvance(widest) + 3 * metrics.averageCharWidth();
    const int ticks = std::clamp(static_cast<int>(chart()->plotArea().width()) / label + 1, 2, 5);
    if (time->tickCount() != ticks) {
        time->setTickCount(ticks);
    }
}

void HistoryWindow::FillList() {
    runs->clear();
    QList<QTreeWidgetItem*> items;
    for (auto r = visible.rbegin(); r != visible.rend(); ++r) {
        items << new QTreeWidgetItem(QStringList{
            Local(r->utcMs).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), Kind(*r),
            QString(r->automatic ? text::kRunAutomatic : text::kRunByUser), Outcome(r->outcome), Seconds(r->offset, 3),
            r->delay ? QString::fromStdString(FormatFixed(*r->delay, 6)) : QString(), Seconds(r->step, 3),
            QString::fromStdString(r->server), QString::fromStdString(r->address),
            r->offset ? QString::number(r->stratum) : QString(), r->authenticated ? QStringLiteral("NTS") : QString()});
    }
    runs->addTopLevelItems(items);
}

}  // namespace hodra
