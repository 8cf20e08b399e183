#include "dialogs/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>

#include "dialogs/dialogs_texts.h"

namespace hodra {

bool InstallQtKoreanTranslations() {
    auto* catalogue = new QTranslator(QCoreApplication::instance());
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!catalogue->load(QLocale(QLocale::Korean, QLocale::SouthKorea), QStringLiteral("qtbase"), QStringLiteral("_"),
                         dir) ||
        !QCoreApplication::installTranslator(catalogue)) {
        std::fprintf(stderr, text::kNoQtTranslations, qPrintable(dir));
        delete catalogue;
        return false;
    }
    return true;
}

}  // namespace hodra
