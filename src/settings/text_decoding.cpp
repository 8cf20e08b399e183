#include "settings/text_decoding.h"

#include <QFile>
#include <QStringDecoder>

#include "settings/korean_code_page.h"

namespace hodra {
namespace {

// Length of the UTF-8 sequence a lead byte opens, 0 for a byte that cannot lead.
int Utf8SequenceLength(unsigned char lead) {
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

// The length of the prefix that stops before an incomplete final UTF-8 sequence.
qsizetype WithoutCutUtf8Tail(const QByteArray& bytes) {
    const qsizetype n = bytes.size();
    for (qsizetype back = 1; back <= 3 && back <= n; ++back) {
        const auto byte = static_cast<unsigned char>(bytes[n - back]);
        if ((byte & 0xC0) != 0x80) {
            const int need = Utf8SequenceLength(byte);
            return need > back ? n - back : n;
        }
    }
    return n;
}

// cp949 lead bytes are 0x81-0xFE; a final lead byte without its trail is dropped.
qsizetype WithoutCutCp949Tail(const QByteArray& bytes) {
    qsizetype i = 0;
    while (i < bytes.size()) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte >= 0x81 && byte <= 0xFE) {
            if (i + 1 >= bytes.size()) {
                return i;
            }
            i += 2;
        } else {
            i += 1;
        }
    }
    return bytes.size();
}

}  // namespace

QString DecodeKoreanText(const QByteArray& bytes) {
    const QByteArray utf8 = bytes.left(WithoutCutUtf8Tail(bytes));
    QStringDecoder fromUtf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = fromUtf8(utf8);
    if (!fromUtf8.hasError()) {
        return text;
    }
    return DecodeKorean(bytes.left(WithoutCutCp949Tail(bytes)));
}

bool ReadKoreanTextFile(const QString& path, qint64 maxBytes, QString& text) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray bytes = file.read(maxBytes);
    if (bytes.isEmpty() && file.error() != QFile::NoError) {
        return false;
    }
    text = DecodeKoreanText(bytes);
    return true;
}

}  // namespace hodra
