#pragma once

namespace hodra {

// The program speaks Korean whatever the session's language, so Qt's own dialogs (the
// colour dialog, message box buttons) do too: Qt's Korean catalogue is installed into the
// application. False, with a line on stderr, when the catalogue is not on this system.
bool InstallQtKoreanTranslations();

}  // namespace hodra
