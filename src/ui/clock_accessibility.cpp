#include "ui/clock_accessibility.h"

#include <QAccessibleWidget>
#include <QWidget>
#include <functional>

#include "ui/clock_texts.h"

namespace hodra {
namespace {

class ClockAccessible : public QAccessibleWidget {
public:
    ClockAccessible(QWidget* clock, std::function<QString()> value)
        : QAccessibleWidget(clock, QAccessible::Clock), value(std::move(value)) {}

    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Value ? value() : QAccessibleWidget::text(t);
    }

private:
    std::function<QString()> value;
};

QAccessibleInterface* ClockFactory(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    const auto* clock = dynamic_cast<const PaintedClock*>(object);
    if (widget == nullptr || clock == nullptr) {
        return nullptr;
    }
    return new ClockAccessible(widget, [clock] { return clock->shownText(); });
}

}  // namespace

void InstallClockAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(ClockFactory);
        return true;
    }();
    (void)installed;
}

QString SpokenClockText(const ClockTexts& texts) {
    QString spoken = texts.date + QLatin1Char(' ');
    if (!texts.period.isEmpty()) {
        spoken += texts.period + QLatin1Char(' ');
    }
    return spoken + texts.time;
}

}  // namespace hodra
