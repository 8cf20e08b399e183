#include "korean_code_page.h"

#include <QStringDecoder>
#include <cstdio>

namespace hodra {

bool KoreanCodePageAvailable() {
    return QStringDecoder(kKoreanCodePage).isValid();
}

QString DecodeKorean(QByteArrayView bytes) {
    QStringDecoder decoder(kKoreanCodePage);
    if (!decoder.isValid()) {
        // Said once, where it matters: the converter is only brought in by a Korean file.
        static const bool told = [] {
            std::fprintf(
                stderr,
                "hodra2: 이 Qt는 한국어 코드 페이지(%s)를 모릅니다: 세계시간표와 도움말의 한글이 깨질 수 있습니다\n",
                kKoreanCodePage);
            return true;
        }();
        (void)told;
        return QString::fromLocal8Bit(bytes);
    }
    return decoder(bytes);
}

}  // namespace hodra
