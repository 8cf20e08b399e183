#pragma once

#include <QString>
#include <QStringList>

namespace hodra {

// Where the program's data files (help text, tick sound, world time table) are looked
// for, in order: the current directory, the installed data directory beside the
// executable (../share/hodra2), the configured install prefix, and the source tree's
// res/ when the program runs from its build tree.
QStringList DataDirectories();

// The installed data directory: ../share/hodra2 beside the executable when it exists,
// else the configured install prefix's.
QString InstalledDataDirectory();

// The first existing file of that name, or the bare name when there is none.
QString FindDataFile(const QString& name);

}  // namespace hodra
