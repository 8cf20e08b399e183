// gtest main for widget suites: a QApplication on the offscreen platform, with the
// program's font substitutions.
#include <gtest/gtest.h>

#include <QApplication>

#include "dialogs/fonts.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    hodra::InstallFontSubstitutions();
    return RUN_ALL_TESTS();
}
