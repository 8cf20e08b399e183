#include "qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>

namespace hodra {

bool InstallQtKoreanTranslations() {
    auto* catalogue = new QTranslator(QCoreApplication::instance());
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!catalogue->load(QLocale(QLocale::Korean, QLocale::SouthKorea), QStringLiteral("qtbase"), QStringLiteral("_"),
                         dir) ||
        !QCoreApplication::installTranslator(catalogue)) {
        std::fprintf(stderr, "hodra2: Qt의 한국어 번역이 없습니다 (%s, qt6-translations-l10n)\n", qPrintable(dir));
        delete catalogue;
        return false;
    }
    return true;
}

}  // namespace hodra
