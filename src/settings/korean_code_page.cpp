#include "settings/korean_code_page.h"

#include <QStringDecoder>
#include <cstdio>

#include "settings/settings_texts.h"

namespace hodra {

bool KoreanCodePageAvailable() {
    return QStringDecoder(kKoreanCodePage).isValid();
}

QString DecodeKorean(QByteArrayView bytes) {
    QStringDecoder decoder(kKoreanCodePage);
    if (!decoder.isValid()) {
        // Said once, where it matters: the converter is only brought in by a Korean file.
        static const bool told = [] {
            std::fprintf(stderr, text::kNoKoreanCodePage, kKoreanCodePage);
            return true;
        }();
        (void)told;
        return QString::fromLocal8Bit(bytes);
    }
    return decoder(bytes);
}

}  // namespace hodra
