#pragma once

#include <QByteArrayView>
#include <QString>

namespace hodra {

// Files written as "cp949" on Korean Windows use its unified Hangul code. ICU, and so Qt,
// calls that code page "windows-949"; its "cp949" is an IBM page that lacks 8,821 of the
// Hangul syllables and reads 0x5C as the won sign.
inline constexpr char kKoreanCodePage[] = "windows-949";

// Whether this Qt knows the code page; without it Korean files are read as the locale's.
bool KoreanCodePageAvailable();

QString DecodeKorean(QByteArrayView bytes);

}  // namespace hodra
