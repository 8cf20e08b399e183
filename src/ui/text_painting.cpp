#include "ui/text_painting.h"

#include <QPainter>
#include <QStaticText>

namespace hodra {

void DrawTextAt(QPainter& painter, int x, int y, QStaticText& cache, const QString& text) {
    if (cache.text() != text) {
        cache.setText(text);
        cache.setTextFormat(Qt::PlainText);
        cache.prepare(QTransform(), painter.font());
    }
    painter.drawStaticText(x, y, cache);
}

}  // namespace hodra
