#pragma once

#include <QByteArray>
#include <QString>
#include <iconv.h>
#include <optional>

namespace hodra::test {

// The code page Korean Windows writes, from glibc's iconv tables: independent of Qt and
// ICU, so a fixture made with it checks the decoder instead of mirroring it.
inline QByteArray Cp949(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    iconv_t cd = iconv_open("CP949", "UTF-8");
    QByteArray out(utf8.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(utf8.constData());
    char* to = out.data();
    std::size_t inLeft = static_cast<std::size_t>(utf8.size());
    std::size_t outLeft = static_cast<std::size_t>(out.size());
    const bool ok = iconv(cd, &in, &inLeft, &to, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    out.truncate(ok ? out.size() - static_cast<qsizetype>(outLeft) : 0);
    return out;
}

// What glibc reads one cp949 character as; nothing when it is no character.
inline std::optional<QString> FromCp949(const QByteArray& bytes) {
    iconv_t cd = iconv_open("UTF-8", "CP949");
    char out[16];
    char* in = const_cast<char*>(bytes.constData());
    char* to = out;
    std::size_t inLeft = static_cast<std::size_t>(bytes.size());
    std::size_t outLeft = sizeof out;
    const bool ok = iconv(cd, &in, &inLeft, &to, &outLeft) != static_cast<std::size_t>(-1) && inLeft == 0;
    iconv_close(cd);
    if (!ok) {
        return std::nullopt;
    }
    return QString::fromUtf8(out, static_cast<qsizetype>(sizeof out - outLeft));
}

}  // namespace hodra::test
