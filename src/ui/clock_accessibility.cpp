#include "clock_accessibility.h"

#include <QAccessibleWidget>
#include <functional>

#include "clock_face.h"
#include "clock_texts.h"
#include "region_clock.h"

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
    if (auto* face = qobject_cast<ClockFace*>(object)) {
        return new ClockAccessible(face, [face] { return face->shownText(); });
    }
    if (auto* region = qobject_cast<RegionClock*>(object)) {
        return new ClockAccessible(region, [region] { return region->shownText(); });
    }
    return nullptr;
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
