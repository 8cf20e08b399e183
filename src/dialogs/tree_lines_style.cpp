#include "dialogs/tree_lines_style.h"

#include <QStyleFactory>

namespace hodra {

TreeLinesStyle::TreeLinesStyle() : lines(QStyleFactory::create(QStringLiteral("Windows"))) {}

TreeLinesStyle::~TreeLinesStyle() = default;

void TreeLinesStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                   const QWidget* widget) const {
    if (element == PE_IndicatorBranch && lines != nullptr) {
        lines->drawPrimitive(element, option, painter, widget);
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

}  // namespace hodra
