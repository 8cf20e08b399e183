#include "history/offset_chart.h"

#include <QDateTime>
#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>
#include <algorithm>
#include <cmath>

#include "sync/compare_text.h"
#include "history/history_texts.h"

namespace hodra {
namespace {

constexpr int kRing = 4;  // a compare's ring, drawn over the rest
constexpr int kDot = 3;   // the other marks
constexpr int kNear = 8;  // how close the pointer must be to a mark for its tooltip
constexpr int kGap = 6;   // between labels and the plot

QColor ColourOf(MarkKind kind) {
    switch (kind) {
    case MarkKind::Compared: return {0x1f, 0x77, 0xb4};
    case MarkKind::Set: return {0x2c, 0xa0, 0x2c};
    case MarkKind::Refused: return {0xd6, 0x27, 0x28};
    case MarkKind::Silent: break;
    }
    return {0x80, 0x80, 0x80};
}

QString NameOf(MarkKind kind) {
    switch (kind) {
    case MarkKind::Compared: return text::kRunCompare;
    case MarkKind::Set: return text::kRunSync;
    case MarkKind::Refused: return text::kPointsRefused;
    case MarkKind::Silent: break;
    }
    return text::kPointsSilent;
}

// A mark's symbol: a ring for a compare, a dot for the others, a square where nothing was
// measured, a triangle pointing out of the plot for an offset beyond its edge.
void DrawSymbol(QPainter& p, MarkKind kind, QPointF at, int edge) {
    const QColor colour = ColourOf(kind);
    p.setPen(QPen(kind == MarkKind::Compared ? colour : colour.darker(140), kind == MarkKind::Compared ? 2.0 : 1.0));
    p.setBrush(kind == MarkKind::Compared ? QBrush(Qt::NoBrush) : QBrush(colour));
    if (kind == MarkKind::Silent) {
        p.drawRect(QRectF(at.x() - kDot, at.y() - kDot, 2.0 * kDot, 2.0 * kDot));
    } else if (edge != 0) {
        const double r = kRing + 1.0;
        QPainterPath triangle;
        triangle.moveTo(at.x(), at.y() - edge * r);
        triangle.lineTo(at.x() - r, at.y() + edge * r * 0.7);
        triangle.lineTo(at.x() + r, at.y() + edge * r * 0.7);
        triangle.closeSubpath();
        p.setBrush(colour);
        p.drawPath(triangle);
    } else {
        const double r = kind == MarkKind::Compared ? kRing : kDot + 0.5;
        p.drawEllipse(at, r, r);
    }
}

QString Stretch(std::int64_t ms) {
    constexpr std::int64_t kHour = 3600000;
    if (ms < kHour) {
        return QString(text::kMinutes).arg(ms / 60000);
    }
    return ms < 24 * kHour ? QString(text::kHours).arg(ms / kHour) : QString(text::kDays).arg(ms / (24 * kHour));
}

QString Seconds(double value) {
    return QString::fromStdString(FormatFixed(value, 3, true));
}

QString When(std::int64_t utcMs, const char* format) {
    return QDateTime::fromMSecsSinceEpoch(utcMs).toString(QString::fromLatin1(format));
}

}  // namespace

OffsetChart::OffsetChart(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void OffsetChart::SetRuns(std::vector<RunRecord> shownRuns, std::int64_t from, std::int64_t now, bool any) {
    runs = std::move(shownRuns);
    fromMs = from;
    nowMs = now;
    anyRuns = any;
    Rebuild();
    update();
}

QSize OffsetChart::sizeHint() const {
    return {600, 260};
}

QSize OffsetChart::minimumSizeHint() const {
    return {200, fontMetrics().height() * 8};
}

void OffsetChart::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Rebuild();
}

// The legend flows over as many lines as the width needs.
int OffsetChart::LegendHeight(int width) const {
    const QFontMetrics fm = fontMetrics();
    int lines = 1;
    int x = fm.horizontalAdvance(text::kOffsetAxis) + 2 * kGap;
    QStringList items;
    for (const MarkKind kind : {MarkKind::Compared, MarkKind::Set, MarkKind::Refused, MarkKind::Silent}) {
        items << NameOf(kind);
    }
    if (shown.bucketMs > 0 &&
        std::any_of(shown.marks.begin(), shown.marks.end(), [](const ChartMark& m) { return m.runs > 1; })) {
        items << QString(text::kStretchNote).arg(Stretch(shown.bucketMs));
    }
    for (const QString& item : items) {
        const int w = 2 * kRing + kGap + fm.horizontalAdvance(item) + 2 * kGap;
        if (x + w > width && x > 0) {
            ++lines;
            x = 0;
        }
        x += w;
    }
    return lines * (fm.height() + 2) + kGap;
}

// The model depends on the plot's size, and the plot's edges on the model's labels and
// legend: laid out with a guess, and again while they came out larger.
void OffsetChart::Rebuild() {
    const QFontMetrics fm = fontMetrics();
    ChartMetrics metrics;
    metrics.textWidth = [fm](const QString& s) { return fm.horizontalAdvance(s); };
    metrics.textHeight = fm.height();
    int left = fm.horizontalAdvance(QStringLiteral("+00.00")) + kGap;
    for (int pass = 0; pass < 3; ++pass) {
        const int top = LegendHeight(width());
        plot = QRect(QPoint(left, top), QPoint(width() - 1 - 2 * kRing, height() - 1 - fm.height() - kGap));
        metrics.width = std::max(plot.width(), 1);
        metrics.height = std::max(plot.height(), 1);
        shown = BuildChart(runs, fromMs, nowMs, metrics);
        int widest = 0;
        for (const ChartTick& t : shown.offsetTicks) {
            widest = std::max(widest, fm.horizontalAdvance(t.label));
        }
        if (widest + kGap <= left && LegendHeight(width()) == top) {
            break;
        }
        left = std::max(left, widest + kGap);
    }
}

double OffsetChart::X(double utcMs) const {
    const double span = std::max<double>(1.0, static_cast<double>(shown.toMs - shown.fromMs));
    return plot.left() + (utcMs - static_cast<double>(shown.fromMs)) / span * plot.width();
}

double OffsetChart::Y(double offset) const {
    const double span = std::max(1e-9, shown.high - shown.low);
    return plot.bottom() - (std::clamp(offset, shown.low, shown.high) - shown.low) / span * plot.height();
}

QPointF OffsetChart::Place(const ChartMark& mark) const {
    const double x = X(static_cast<double>(mark.utcMs));
    if (mark.edge < 0) {
        return {x, plot.bottom() - kDot - 1.0};
    }
    return {x, mark.edge > 0 ? plot.top() + kDot + 1.0 : Y(mark.value)};
}

void OffsetChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    p.setRenderHint(QPainter::Antialiasing);
    DrawLegend(p);
    DrawGrid(p);
    if (shown.marks.empty()) {
        // On a clear patch: the grid's lines would run through the words.
        const QString sentence = anyRuns ? text::kNoRunsInSpan : text::kNoRunsYet;
        const QRect room = plot.adjusted(kGap, kGap, -kGap, -kGap);
        const QRect words = fontMetrics().boundingRect(room, Qt::AlignCenter | Qt::TextWordWrap, sentence);
        p.fillRect(words.adjusted(-kGap, -kGap / 2, kGap, kGap / 2), palette().base());
        p.setPen(palette().color(QPalette::PlaceholderText));
        p.drawText(room, Qt::AlignCenter | Qt::TextWordWrap, sentence);
        return;
    }
    p.save();
    p.setClipRect(plot.adjusted(-kRing - 2, -kRing - 2, kRing + 2, kRing + 2));
    DrawMarks(p);
    p.restore();
}

void OffsetChart::DrawGrid(QPainter& p) const {
    const QFontMetrics fm = fontMetrics();
    const QColor text = palette().color(QPalette::Text);
    for (const ChartTick& t : shown.offsetTicks) {
        const double y = Y(t.at);
        p.setPen(QPen(t.major ? QColor(0x90, 0x90, 0x90) : QColor(0xe2, 0xe2, 0xe2), 1.0));
        p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        p.setPen(text);
        p.drawText(QRectF(0, y - fm.height() / 2.0, plot.left() - kGap, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
                   t.label);
    }
    double lastEnd = -1e9;
    for (const ChartTick& t : shown.timeTicks) {
        const double x = X(t.at);
        p.setPen(QPen(t.major ? QColor(0xb8, 0xb8, 0xb8) : QColor(0xea, 0xea, 0xea), 1.0));
        p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        const int w = fm.horizontalAdvance(t.label);
        const double left = std::clamp(x - w / 2.0, 0.0, static_cast<double>(width() - w));
        if (left < lastEnd + kGap) {
            continue;  // the model spaced them; this only guards the ends
        }
        lastEnd = left + w;
        p.setPen(text);
        p.drawText(QPointF(left, plot.bottom() + kGap / 2.0 + fm.ascent()), t.label);
    }
    p.setPen(QPen(QColor(0xa0, 0xa0, 0xa0), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(plot));
}

void OffsetChart::DrawMarks(QPainter& p) const {
    for (const ChartMark& m : shown.marks) {
        const QPointF at = Place(m);
        if (m.runs > 1 && m.kind != MarkKind::Silent && m.low < m.high) {
            QColor range = ColourOf(m.kind);
            range.setAlpha(150);
            p.setPen(QPen(range, 2.0, Qt::SolidLine, Qt::FlatCap));
            p.drawLine(QPointF(at.x(), Y(m.low)), QPointF(at.x(), Y(m.high)));
        }
        DrawSymbol(p, m.kind, at, m.edge);
    }
}

void OffsetChart::DrawLegend(QPainter& p) const {
    const QFontMetrics fm = fontMetrics();
    const int line = fm.height() + 2;
    p.setPen(palette().color(QPalette::Text));
    p.drawText(QPointF(0, fm.ascent()), text::kOffsetAxis);
    int x = fm.horizontalAdvance(text::kOffsetAxis) + 2 * kGap;
    int y = 0;
    auto place = [&](int w) {
        if (x + w > width() && x > 0) {
            x = 0;
            y += line;
        }
        const int at = x;
        x += w + 2 * kGap;
        return at;
    };
    for (const MarkKind kind : {MarkKind::Compared, MarkKind::Set, MarkKind::Refused, MarkKind::Silent}) {
        const QString name = NameOf(kind);
        const int at = place(2 * kRing + kGap + fm.horizontalAdvance(name));
        DrawSymbol(p, kind, QPointF(at + kRing, y + line / 2.0), 0);
        p.setPen(palette().color(QPalette::Text));
        p.drawText(QPointF(at + 2 * kRing + kGap, y + fm.ascent()), name);
    }
    if (std::any_of(shown.marks.begin(), shown.marks.end(), [](const ChartMark& m) { return m.runs > 1; })) {
        const QString note = QString(text::kStretchNote).arg(Stretch(shown.bucketMs));
        const int at = place(fm.horizontalAdvance(note));
        p.setPen(palette().color(QPalette::PlaceholderText));
        p.drawText(QPointF(at, y + fm.ascent()), note);
    }
}

QString OffsetChart::MarkTextAt(QPoint at) const {
    const ChartMark* nearest = nullptr;
    double best = kNear * kNear;
    // The last drawn lies on top.
    for (auto m = shown.marks.rbegin(); m != shown.marks.rend(); ++m) {
        const QPointF d = Place(*m) - QPointF(at);
        if (const double distance = d.x() * d.x() + d.y() * d.y(); distance < best) {
            best = distance;
            nearest = &*m;
        }
    }
    if (nearest == nullptr) {
        return {};
    }
    const ChartMark& m = *nearest;
    const QString kind = NameOf(m.kind);
    if (m.runs == 1) {
        const QString when = When(m.utcMs, "yyyy-MM-dd HH:mm:ss");
        return m.kind == MarkKind::Silent ? QString(text::kMarkOneSilent).arg(when, kind)
                                          : QString(text::kMarkOne).arg(when, kind, Seconds(m.value));
    }
    const QString from = When(m.firstMs, "yyyy-MM-dd HH:mm");
    const QString to = When(m.lastMs, "yyyy-MM-dd HH:mm");
    if (m.kind == MarkKind::Silent) {
        return QString(text::kMarkManySilent).arg(from, to, kind).arg(m.runs);
    }
    return QString(text::kMarkMany)
        .arg(from, to, kind, QString::number(m.runs), Seconds(m.low), Seconds(m.high), Seconds(m.value));
}

bool OffsetChart::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) {
        return QWidget::event(event);
    }
    const auto* help = static_cast<QHelpEvent*>(event);
    const QString tip = MarkTextAt(help->pos());
    if (tip.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(help->globalPos(), tip, this);
    }
    return true;
}

}  // namespace hodra
