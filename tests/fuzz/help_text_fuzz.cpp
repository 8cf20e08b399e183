// The help text reader's decoding (UTF-8, else cp949, a cut character dropped).
#include <QByteArray>
#include <QString>
#include <cstdint>

#include "settings/text_decoding.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size > 10240 ? 10240 : size));
    const QString text = hodra::DecodeKoreanText(bytes);
    if (text.size() > bytes.size()) {
        __builtin_trap();  // never more characters than bytes
    }
    return 0;
}
