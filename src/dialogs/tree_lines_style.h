#pragma once

#include <QProxyStyle>
#include <memory>

namespace hodra {

// A tree view as the templates describe it: dotted lines joining the items and boxed
// [+] / [-] buttons (drawn as the classic Windows style draws them), everything else as
// the program's own style draws it.
class TreeLinesStyle : public QProxyStyle {
public:
    TreeLinesStyle();
    ~TreeLinesStyle() override;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override;

private:
    std::unique_ptr<QStyle> lines;
};

}  // namespace hodra
