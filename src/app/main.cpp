// Hodra2: start-up, single instance, then the tray frame and the clock window.
#include <QApplication>
#include <cstdio>

#include "platform/clock_linux.h"
#include "app/app_texts.h"
#include "dialogs/fonts.h"
#include "app/hodra_application.h"
#include "platform/instance_lock.h"
#include "dialogs/notice.h"
#include "dialogs/qt_translations.h"
#include "platform/session.h"

int main(int argc, char** argv) {
    // The window never sets the clock itself (the helper does): it keeps no capability at all.
    if (!hodra::DropAllPrivileges()) {
        std::fputs(hodra::text::kCannotDropCapabilities, stderr);
        return 1;
    }
    const bool choseXWayland = hodra::PreferXWaylandForAFixedClock();
    QApplication app(argc, argv);
    if (choseXWayland) {
        hodra::ForgetPlatformChoice();
    }
    QApplication::setQuitOnLastWindowClosed(false);
    // Compositors and docks find the window's entry, and its icon, by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.hodra2.Hodra2"));
    hodra::InstallFontSubstitutions();
    hodra::InstallQtKoreanTranslations();

    hodra::InstanceLock instance;
    if (!instance.TryAcquire()) {
        hodra::ShowNotice(nullptr, hodra::text::kAlreadyRunning, QMessageBox::Information);
        return 0;
    }

    hodra::HodraApplication hodra2;
    if (!hodra2.Start()) {
        return 0;
    }
    return QApplication::exec();
}
