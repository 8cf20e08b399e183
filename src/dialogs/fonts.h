#pragma once

#include <QFont>
#include <QString>

namespace hodra {

// Maps the faces the windows name ("굴림", "굴림체", "Arial") to the installed free faces,
// as res/fonts.conf lists them (the installed copy, else the one built in).
void InstallFontSubstitutions();

// A point-size font as the windows were designed for it: points at 96 dots per inch,
// so that the fixed pixel positions of the clocks fit (Qt scales for high-DPI screens).
QFont MakeFont(const QString& face, double points);

}  // namespace hodra
