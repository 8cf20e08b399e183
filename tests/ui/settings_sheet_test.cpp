#include <gtest/gtest.h>

#include <QColorDialog>
#include <QLabel>
#include <QRegularExpression>

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "dialogs/control_ids.h"
#include "ui/colour_button.h"
#include "dialogs/qt_translations.h"
#include "ui/env_page.h"
#include "ui/message_label.h"
#include "modal_watcher.h"
#include "platform/screen_saver.h"
#include "ui/server_page.h"
#include "ui/settings_sheet.h"
#include "platform/web_browser.h"
#include "window_fixture.h"

namespace hodra {
namespace {

const WebPageLauncher kNoBrowser([](const QUrl&, const WebPageLauncher::Done& done) { done(false); });

class Sheet : public ::testing::Test {
protected:
    std::unique_ptr<SettingsSheet> Make() {
        return std::make_unique<SettingsSheet>(settings, deployment, LastServer{}, kNoBrowser);
    }
    QCheckBox* Box(SettingsSheet& s, const char* key) { return qobject_cast<QCheckBox*>(s.envPage().option(key)); }
    QLineEdit* Minutes(SettingsSheet& s) { return qobject_cast<QLineEdit*>(s.envPage().option("AutoConDuration")); }

    Settings settings;
    Deployment deployment{"127.0.0.1:12300", "192.0.2.1", "http://127.0.0.1:1/"};
};

TEST_F(Sheet, PagesAndButtonsAsTheSheetShowsThem) {
    auto sheet = Make();
    EXPECT_EQ(sheet->windowTitle(), "설정");
    ASSERT_EQ(sheet->tabs().count(), 2);
    EXPECT_EQ(sheet->tabs().tabText(0), "환경설정");
    EXPECT_EQ(sheet->tabs().tabText(1), "접속서버");
    EXPECT_EQ(sheet->tabs().currentIndex(), 0);
    QStringList buttons;
    for (auto* b : sheet->findChildren<QPushButton*>(Qt::FindDirectChildrenOnly)) {
        buttons << b->text();
    }
    EXPECT_EQ(buttons, (QStringList{"확인", "취소"}));
}

TEST_F(Sheet, MinutesOutsideTheRangeOrNotANumberKeepTheSheetOpen) {
    struct Case {
        QString typed;
        QString message;
    };
    const QString range = "1와(과) 144000 사이의 정수를 입력하십시오.";
    for (const Case& c : {Case{"0", range}, Case{"144001", range}, Case{"", "정수를 입력하십시오."}}) {
        auto sheet = Make();
        settings.Beep = false;
        Box(*sheet, "Beep")->setChecked(true);
        Minutes(*sheet)->setText(c.typed);
        test::ModalWatcher watcher;
        sheet->show();
        sheet->tabs().setCurrentIndex(1);  // OK pressed on the server page
        sheet->OnOk();
        EXPECT_EQ(watcher.texts, QStringList{c.message}) << c.typed.toStdString();
        EXPECT_EQ(sheet->tabs().currentIndex(), 0) << "the refused field is brought back into sight";
        EXPECT_EQ(Minutes(*sheet)->selectedText(), c.typed) << "with its text selected";
        EXPECT_TRUE(sheet->isVisible()) << "the sheet stays open";
        EXPECT_EQ(sheet->result(), 0);
        EXPECT_FALSE(settings.Beep) << "nothing is copied into Settings";
        EXPECT_EQ(sheet->focusWidget(), Minutes(*sheet)) << "the focus goes back to the minutes";
    }
    auto sheet = Make();
    Minutes(*sheet)->setText("144000");
    Box(*sheet, "Log")->setChecked(true);
    sheet->show();
    sheet->OnOk();
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_EQ(settings.AutoConDuration, 144000);
    EXPECT_TRUE(settings.Log);
}

TEST_F(Sheet, AutomaticConnectionEnablesItsInterval) {
    settings.AutoCon = false;
    auto sheet = Make();
    EnvPage& page = sheet->envPage();
    const QWidget* interval[] = {page.control(dialog131::kEvery), page.option("AutoConDuration"),
                                 page.control(dialog131::kMinutesText)};
    for (const QWidget* control : interval) {
        EXPECT_FALSE(control->isEnabled());
    }
    Box(*sheet, "AutoCon")->click();
    for (const QWidget* control : interval) {
        EXPECT_TRUE(control->isEnabled());
    }
}

TEST_F(Sheet, ClockOnlyAndSlimExcludeEachOther) {
    auto sheet = Make();
    QCheckBox* small = Box(*sheet, "Small");
    QCheckBox* slim = Box(*sheet, "Small2");
    small->click();
    EXPECT_TRUE(small->isChecked());
    slim->click();
    EXPECT_TRUE(slim->isChecked());
    EXPECT_FALSE(small->isChecked());
    small->click();
    EXPECT_FALSE(slim->isChecked());
    small->click();  // unticking leaves the other alone
    EXPECT_FALSE(small->isChecked());
    EXPECT_FALSE(slim->isChecked());
    slim->click();
    slim->click();
    EXPECT_FALSE(small->isChecked());
    // Each of the two reads the page, the minutes included: a bad value is told at once, and
    // stays as typed, with the focus on it, for the user to correct.
    sheet->show();
    for (const char* id : {"Small", "Small2"}) {
        Minutes(*sheet)->setText("0");
        test::ModalWatcher watcher;
        Box(*sheet, id)->click();
        EXPECT_EQ(watcher.texts, QStringList{"1와(과) 144000 사이의 정수를 입력하십시오."}) << id;
        EXPECT_EQ(Minutes(*sheet)->text(), "0") << id;
        EXPECT_EQ(sheet->focusWidget(), Minutes(*sheet)) << id;
    }
    EXPECT_TRUE(slim->isChecked());
    EXPECT_FALSE(small->isChecked()) << "the boxes still exclude each other";
}

TEST_F(Sheet, DefaultsRestoreEverythingButTheSlimClock) {
    settings.Small2 = true;
    settings.AutoConDuration = 5;
    settings.AutoCon = false;
    settings.Top = false;
    settings.TxtColor = 0x00123456;
    auto sheet = Make();
    qobject_cast<QPushButton*>(sheet->envPage().control(dialog131::kDefaults))->click();
    EXPECT_EQ(Minutes(*sheet)->text(), "60");
    EXPECT_TRUE(Box(*sheet, "Small2")->isChecked());
    EXPECT_TRUE(Box(*sheet, "AutoCon")->isChecked());
    EXPECT_TRUE(sheet->envPage().option("AutoConDuration")->isEnabled());
    EXPECT_EQ(settings.AutoConDuration, 5) << "nothing reaches Settings before OK";
    sheet->OnOk();
    Settings expected;
    expected.Small2 = true;
    EXPECT_EQ(settings, expected);
}

TEST_F(Sheet, ColourButtonsChooseAndDrawSunkenWhileTheirDialogIsOpen) {
    auto sheet = Make();
    EnvPage& page = sheet->envPage();
    auto* button = qobject_cast<ColourButton*>(page.option("TxtColor2"));
    bool sunkenDuringChoice = false;
    int indicator = 0;
    page.setColourChooser([&](QWidget*, ColorRef initial, ColorRef& chosen) {
        EXPECT_EQ(initial, 0x0000FFFFu);
        sunkenDuringChoice = button->drawnSunken();
        indicator = page.colourDialogOpen();
        chosen = 0x000000FF;
        return true;
    });
    button->click();
    EXPECT_TRUE(sunkenDuringChoice);
    EXPECT_EQ(indicator, 4);
    EXPECT_FALSE(button->drawnSunken());
    EXPECT_EQ(button->colour(), 0x000000FFu);
    page.setColourChooser([](QWidget*, ColorRef, ColorRef&) { return false; });  // cancelled
    qobject_cast<ColourButton*>(page.option("BgColor"))->click();
    sheet->OnOk();
    EXPECT_EQ(settings.TxtColor2, 0x000000FFu);
    EXPECT_EQ(settings.BgColor, 0x00000000u);
}

class SheetInWindow : public ::testing::Test, public test::WindowFixture {};

TEST_F(SheetInWindow, CancelStillAppliesSavesAndRestartsThePeriod) {
    Profile("AutoCompare", 0);
    Profile("AutoConDuration", 10);
    MainClockWindow& w = Open();
    const WebPageLauncher launcher([](const QUrl&, const WebPageLauncher::Done& done) { done(false); });
    monotonic.Advance(9 * 60000);
    host.sheet = [&](MainClockWindow& window) {
        SettingsSheet sheet(settings, {}, window.lastServer(), launcher, &window);
        sheet.envPage().setColourChooser([](QWidget*, ColorRef, ColorRef& c) {
            c = 0x00FF0000;  // blue
            return true;
        });
        qobject_cast<QPushButton*>(sheet.envPage().option("BgColor2"))->click();
        QTimer::singleShot(0, &sheet, &QDialog::reject);
        sheet.exec();
    };
    QFile::remove(dir.Path("Hodra2.conf"));
    w.OnSettings();
    EXPECT_EQ(timers.autoSyncTimer().remainingMs(), 10 * 60000);
    EXPECT_EQ(Stored("AutoConDuration").toInt(), 10) << "options saved again on Cancel";
    EXPECT_EQ(w.message()->backgroundColour(), QColor(128, 128, 128)) << "Cancel keeps the old colour";

    host.sheet = [&](MainClockWindow& window) {
        SettingsSheet sheet(settings, {}, window.lastServer(), launcher, &window);
        sheet.envPage().setColourChooser([](QWidget*, ColorRef, ColorRef& c) {
            c = 0x00FF0000;
            return true;
        });
        qobject_cast<QPushButton*>(sheet.envPage().option("BgColor2"))->click();
        qobject_cast<QCheckBox*>(sheet.envPage().option("AutoCon"))->setChecked(false);
        QTimer::singleShot(0, &sheet, &SettingsSheet::OnOk);
        sheet.exec();
    };
    w.OnSettings();
    EXPECT_EQ(w.message()->backgroundColour(), QColor(0, 0, 255)) << "the new colour shows as the sheet closes";
    EXPECT_FALSE(timers.autoSyncArmed()) << "automatic runs stop at once";
    EXPECT_EQ(Stored("AutoCon").toInt(), 0);
}

TEST(ServerPageText, EachServerIdAndTheLoopbackHost) {
    EXPECT_EQ(ServerPage::ServerText(0, "x", ""), "접속된 서버가 없습니다");
    EXPECT_EQ(ServerPage::ServerText(3, "x", ""), "표준시 서버에 접속할 수 없습니다");
    EXPECT_EQ(ServerPage::ServerText(7, "x", ""), "표준시 서버에 접속할 수 없습니다");
    const Deployment d{"localhost:12300", "time.example", ""};
    const WebPageLauncher none([](const QUrl&, const WebPageLauncher::Done& done) { done(false); });
    ServerPage resolved(1, d, {}, none);
    EXPECT_EQ(resolved.serverText(), "Velmar 표준시 서버\r\nlocalhost\r\n(127.0.0.1)");
    ServerPage fromLastRun(2, d, {"192.0.2.7"}, none);
    EXPECT_EQ(fromLastRun.serverText(), "Velmar 표준시 서버\r\ntime.example\r\n(192.0.2.7)");
    // An NTS server: the host without its scheme, the IPv6 address it answered from, and the proof.
    const Deployment secure{"nts://time.example:4460", "b", ""};
    ServerPage authenticated(1, secure, {"2001:db8::7", true}, none);
    EXPECT_EQ(authenticated.serverText(), "Velmar 표준시 서버\r\ntime.example\r\n(2001:db8::7) 인증됨 (NTS)");
}

TEST(BrowserCommand, CutAtTheQuotedOrBarePlaceholderOrKeptWhole) {
    using Words = std::optional<QStringList>;
    const QString page = "http://127.0.0.1:8080/";
    EXPECT_EQ(BrowserCommandFor("\"/opt/Web Browser/browser\" --new-window \"%1\"", page),
              Words({"/opt/Web Browser/browser", "--new-window", page}));
    EXPECT_EQ(BrowserCommandFor("firefox %u", page), Words({"firefox", page}));
    EXPECT_EQ(BrowserCommandFor("chromium --incognito %U --other", page), Words({"chromium", "--incognito", page}));
    EXPECT_EQ(BrowserCommandFor("/usr/bin/lynx", page), Words({"/usr/bin/lynx", page}));
    EXPECT_EQ(BrowserCommandFor("browser --icon %i %u", page), Words({"browser", "--icon", page}));
    // A desktop entry escapes " ` $ and \ inside double quotes; $BROWSER may quote with '.
    EXPECT_EQ(BrowserCommandFor(R"("/opt/a \"b\" \$c\\/browser" %u)", page),
              Words({R"(/opt/a "b" $c\/browser)", page}));
    EXPECT_EQ(BrowserCommandFor("'/opt/x y/browser' --new", page), Words({"/opt/x y/browser", "--new", page}));
    // The address stays one argument, blanks and quotes and all.
    const QString odd = "http://127.0.0.1/a b\"c'd";
    EXPECT_EQ(BrowserCommandFor("firefox %u", odd), Words({"firefox", odd}));
    // A cut that leaves a quote open, or leaves nothing, is no command to start.
    EXPECT_EQ(BrowserCommandFor("\"/opt/browser\" \"--url=%u\"", page), std::nullopt);
    EXPECT_EQ(BrowserCommandFor("%u", page), std::nullopt);
    EXPECT_EQ(BrowserCommandFor("", page), std::nullopt);
}

class Browser : public ::testing::Test {
protected:
    void SetUp() override {
        saved = qgetenv("BROWSER");
        savedData = qgetenv("XDG_DATA_HOME");
        savedConfig = qgetenv("XDG_CONFIG_HOME");
        savedDirs = qgetenv("XDG_DATA_DIRS");
        savedConfigDirs = qgetenv("XDG_CONFIG_DIRS");
        qputenv("XDG_DATA_HOME", dir.Path("data").toUtf8());
        qputenv("XDG_CONFIG_HOME", dir.Path("config").toUtf8());
        qputenv("XDG_DATA_DIRS", dir.Path("none").toUtf8());
        qputenv("XDG_CONFIG_DIRS", dir.Path("none").toUtf8());
        qunsetenv("BROWSER");
        // A browser that records its arguments, one per line; the file appears whole.
        QFile script(dir.Path("fake browser"));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        const QString args = "'" + dir.Path("args") + "'";
        script.write(("#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > " + args + ".part && mv " + args + ".part " +
                      args + "\n")
                         .toUtf8());
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    void TearDown() override {
        auto restore = [](const char* name, const QByteArray& value) {
            value.isNull() ? qunsetenv(name) : qputenv(name, value);
        };
        restore("BROWSER", saved);
        restore("XDG_DATA_HOME", savedData);
        restore("XDG_CONFIG_HOME", savedConfig);
        restore("XDG_DATA_DIRS", savedDirs);
        restore("XDG_CONFIG_DIRS", savedConfigDirs);
    }
    // Waits for the launcher's answer.
    static bool Opened(const WebPageLauncher& launcher, const QString& address) {
        std::optional<bool> answer;
        launcher.Open(address, [&answer](bool opened) { answer = opened; });
        for (int i = 0; i < 1500 && !answer; ++i) {
            QTest::qWait(20);
        }
        return answer.value_or(false);
    }
    QStringList RecordedArguments() {
        QFile args(dir.Path("args"));
        for (int i = 0; i < 1500 && !args.exists(); ++i) {
            QTest::qWait(20);
        }
        if (!args.open(QIODevice::ReadOnly)) {
            return {};
        }
        return QString::fromUtf8(args.readAll()).split('\n', Qt::SkipEmptyParts);
    }
    test::TempDir dir;
    QByteArray saved, savedData, savedConfig, savedDirs, savedConfigDirs;
};

TEST_F(Browser, FallsBackToTheBrowsersCommandLineFromBrowserOrTheDesktopEntry) {
    const WebPageLauncher launcher([](const QUrl&, const WebPageLauncher::Done& done) { done(false); });
    qputenv("BROWSER", ("'" + dir.Path("fake browser") + "' --flag '%s'").toUtf8());
    ASSERT_TRUE(Opened(launcher, "http://127.0.0.1:8080/a?b=c"));
    EXPECT_EQ(RecordedArguments(), (QStringList{"--flag", "http://127.0.0.1:8080/a?b=c"}));

    QFile::remove(dir.Path("args"));
    qunsetenv("BROWSER");
    QDir().mkpath(dir.Path("data/applications"));
    QDir().mkpath(dir.Path("config"));
    QFile list(dir.Path("config/mimeapps.list"));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("[Default Applications]\nx-scheme-handler/https=fake.desktop;\n");
    list.close();
    QFile entry(dir.Path("data/applications/fake.desktop"));
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    // Spaces around '=' are allowed in a key file; an action's Exec is another group's.
    entry.write(("[Desktop Entry]\nName=Fake\n# Exec=/bin/false\nExec = \"" + dir.Path("fake browser") +
                 "\" --new %U\n[Desktop Action private]\nExec=/bin/false\n")
                    .toUtf8());
    entry.close();
    ASSERT_TRUE(Opened(launcher, "https://127.0.0.1/"));
    EXPECT_EQ(RecordedArguments(), (QStringList{"--new", "https://127.0.0.1/"}));
}

// The desktop's own opener is judged by how it ends: one that fails sends the page to the
// browser's command line; one that succeeds is the end of it.
TEST_F(Browser, AnOpenerThatFailsFallsBackToTheBrowser) {
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", (dir.Path() + ":" + path).toUtf8());
    qputenv("BROWSER", ("'" + dir.Path("fake browser") + "' %s").toUtf8());
    QFile opener(dir.Path("xdg-open"));
    ASSERT_TRUE(opener.open(QIODevice::WriteOnly));
    opener.write(("#!/bin/sh\necho \"$1\" > '" + dir.Path("opened") + "'\nexit 3\n").toUtf8());
    opener.close();
    opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const WebPageLauncher desktop;
    EXPECT_TRUE(Opened(desktop, "http://127.0.0.1:8080/"));
    EXPECT_TRUE(QFile::exists(dir.Path("opened"))) << "the desktop's opener was asked first";
    EXPECT_EQ(RecordedArguments(), (QStringList{"http://127.0.0.1:8080/"})) << "then the browser, as it failed";
    QFile::remove(dir.Path("args"));
    opener.open(QIODevice::WriteOnly);
    opener.write("#!/bin/sh\nexit 0\n");
    opener.close();
    EXPECT_TRUE(Opened(desktop, "http://127.0.0.1:8080/"));
    EXPECT_FALSE(QFile::exists(dir.Path("args"))) << "an opener that succeeded is not second-guessed";
    qputenv("PATH", path);
}

TEST_F(Browser, NoWayToStartABrowserShowsTheMessageOnce) {
    const WebPageLauncher launcher([](const QUrl&, const WebPageLauncher::Done& done) { done(false); });
    ServerPage page(0, Deployment{"a", "b", "http://127.0.0.1/"}, {}, launcher);
    test::ModalWatcher watcher;
    qobject_cast<QPushButton*>(page.control(dialog130::kWebPage))->click();
    EXPECT_EQ(watcher.texts, QStringList{"웹브라우저를 실행할 수 없습니다"});
}

TEST(ScreenSaver, EntryNamesTheSaverOrIsEmptied) {
    test::TempDir dir;
    const ScreenSaverEntry entry(dir.Path("cfg"), "/usr/share/hodra2/Hodra2SCR.scr");
    entry.Apply(true);
    QFile ini(entry.IniPath());
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(ini.readAll()), "[boot]\nSCRNSAVE.EXE=/usr/share/hodra2/Hodra2SCR.scr\n");
    ini.close();
    entry.Apply(false);
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(ini.readAll()), "[boot]\nSCRNSAVE.EXE=\n");
}

// Qt's own dialogs speak the program's language: the colour dialog has no English left.
TEST(QtDialogs, TheColourDialogIsKorean) {
    ASSERT_TRUE(InstallQtKoreanTranslations()) << "Qt's Korean catalogue (run scripts/setup.sh)";
    QColorDialog dialog;
    QStringList texts;
    for (const auto* label : dialog.findChildren<QLabel*>()) {
        texts << label->text();
    }
    for (const auto* button : dialog.findChildren<QPushButton*>()) {
        texts << button->text();
    }
    texts.removeAll(QString());
    ASSERT_FALSE(texts.isEmpty());
    for (const char* english : {"&Basic colors", "&Custom colors", "&Add to Custom Colors", "&Pick Screen Color",
                                "Cancel", "OK", "Hu&e:", "&Red:", "&Green:", "Bl&ue:", "A&lpha channel:"}) {
        EXPECT_FALSE(texts.contains(QString::fromLatin1(english))) << english << " is left in English";
    }
    static const QRegularExpression hangul(QStringLiteral("[\\x{AC00}-\\x{D7A3}]"));
    EXPECT_TRUE(texts.join(' ').contains(hangul));
}

}  // namespace
}  // namespace hodra
