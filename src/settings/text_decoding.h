#pragma once

#include <QByteArray>
#include <QString>

namespace hodra {

// Text files written for Korean Windows are cp949; ours are UTF-8. Decodes as UTF-8
// when the bytes are valid UTF-8 (a sequence cut at the end is dropped), else as cp949
// (a lead byte cut at the end is dropped).
QString DecodeKoreanText(const QByteArray& bytes);

// Reads at most maxBytes of a text file and decodes them; false when it cannot be read.
bool ReadKoreanTextFile(const QString& path, qint64 maxBytes, QString& text);

}  // namespace hodra
