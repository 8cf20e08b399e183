// gtest main with the Qt application object the suite needs: QApplication for widget
// suites (HODRA_TEST_WIDGETS), QCoreApplication otherwise.
#include <gtest/gtest.h>

#ifdef HODRA_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    TestApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
