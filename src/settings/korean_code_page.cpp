#include "korean_code_page.h"

#include <QStringDecoder>

namespace hodra {

bool KoreanCodePageAvailable() {
    return QStringDecoder(kKoreanCodePage).isValid();
}

QString DecodeKorean(QByteArrayView bytes) {
    QStringDecoder decoder(kKoreanCodePage);
    if (!decoder.isValid()) {
        return QString::fromLocal8Bit(bytes);
    }
    return decoder(bytes);
}

}  // namespace hodra
