// Whole-program scenarios: the real hodra2 under Xvfb with trayer as the tray, driven
// with xdotool, checked by what a user sees or keeps.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDateTime>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <arpa/inet.h>
#include <fstream>
#include <sstream>
#include <poll.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "chrony_server.h"
#include "cp949_bytes.h"
#include "compositor.h"
#include "dialogs/control_ids.h"
#include "dialogs/dialog_builder.h"
#include "fake_sntp_server.h"
#include "ui/env_page.h"
#include "dialogs/fonts.h"
#include "hodra_run.h"
#include "platform/journal_message_ids.h"
#include "sync/blink_sequence.h"
#include "ui/message_label.h"
#include "private_bus.h"
#include "worldtime/region_description.h"
#include "settings/settings.h"
#include "ui/settings_sheet.h"
#include "platform/web_browser.h"
#include "worldtime/world_time_dialog.h"
#include "worldtime/world_time_table.h"
#include "history/run_history.h"

namespace hodra::e2e {
namespace {

// A UDP port that takes requests and never answers.
class SilentPort {
public:
    SilentPort() : fd(socket(AF_INET, SOCK_DGRAM, 0)) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t n = sizeof a;
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n);
        port = ntohs(a.sin_port);
    }
    ~SilentPort() { close(fd); }
    std::string Address() const { return "127.0.0.1:" + std::to_string(port); }

private:
    int fd;
    int port = 0;
};

using test::Field;

// Who sent a run's journal entry, what kind of run it was (with its id) and how it came about.
void ExpectEntry(const test::JournalEntry& entry, const char* sender, const char* outcome, const char* id,
                 const char* trigger) {
    EXPECT_EQ(Field(entry, "SYSLOG_IDENTIFIER"), sender);
    EXPECT_EQ(Field(entry, "HODRA2_OUTCOME"), outcome) << sender;
    EXPECT_EQ(Field(entry, "MESSAGE_ID"), id) << sender << ' ' << outcome;
    EXPECT_EQ(Field(entry, "HODRA2_TRIGGER"), trigger) << sender << ' ' << outcome;
}

double Seconds(const test::JournalEntry& entry, const char* key) {
    return QString::fromStdString(Field(entry, key)).toDouble();
}

// The message line as it would look showing `text` with the default colours.
QImage MessageLineShowing(const QString& text, QSize size) {
    MessageLabel label;
    label.setFont(MakeFont(QStringLiteral("굴림"), 9));
    label.SetTextColor(Settings{}.TxtColor2);
    label.SetBkColor(Settings{}.BgColor2);
    label.resize(size);
    label.setText(text);
    return label.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

class WholeProgram : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        if (!Desktop::Available(&why)) {
            GTEST_SKIP() << why;
        }
        if (!test::ChronyServer::Available("+5.25s", &why)) {
            GTEST_SKIP() << why;
        }
        desktop = std::make_unique<Desktop>();
        ASSERT_TRUE(desktop->Ready()) << "Xvfb with trayer did not come up:\n" << desktop->Failure();
        run = std::make_unique<HodraRun>(*desktop);
        run->Profile("AutoCompare", 0);
        run->Profile("Top", 0);
    }
    void TearDown() override {
        run.reset();
        desktop.reset();
    }
    std::string Shot(const std::string& name) const {
        QDir().mkpath(HODRA_SCREENSHOTS);
        return std::string(HODRA_SCREENSHOTS) + "/" + name + ".png";
    }
    // Waits until the message line shows one of `expected` (and looks less like `other`),
    // taking screenshots; the last one stays under `name`.
    bool WaitForMessage(const QStringList& expected, const QString& other, const std::string& name,
                        const HodraRun* of = nullptr) {
        const HodraRun& shown = of != nullptr ? *of : *run;
        const QRect line = shown.ControlRect(dialog102::kMessage);
        const QImage unwanted = MessageLineShowing(other, line.size());
        std::vector<QImage> wanted;
        for (const QString& text : expected) {
            wanted.push_back(MessageLineShowing(text, line.size()));
        }
        return WaitUntil([&] {
            const QImage now = desktop->Screenshot(Shot(name)).copy(line);
            const double unlike = Likeness(now, unwanted);
            for (const QImage& want : wanted) {
                const double right = Likeness(now, want);
                if (right > 0.97 && right > unlike) {
                    return true;
                }
            }
            return false;
        });
    }
    bool WaitForMessage(const QString& expected, const QString& other, const std::string& name,
                        const HodraRun* of = nullptr) {
        return WaitForMessage(QStringList{expected}, other, name, of);
    }

    std::unique_ptr<Desktop> desktop;
    std::unique_ptr<HodraRun> run;
};

TEST_F(WholeProgram, StartCompareThenQuitFromTheTray) {
    test::ChronyServer ahead("+5.25s");
    ASSERT_TRUE(ahead.Running()) << ahead.Failure();
    run->Deployment(ahead.Address(), "127.0.0.1:9");
    run->Profile("AutoCompare", 1);
    test::JournalListener& journald = run->ListenToJournal();
    ASSERT_TRUE(run->Start());
    EXPECT_TRUE(WaitForMessage("사용자 PC가 5.3 초 늦습니다.", "사용자 PC가 5.2 초 늦습니다.", "1-compare"));
    EXPECT_EQ(desktop->TrayIcons().size(), 1u);
    // Root of its own user namespace, the window still holds no capability at all.
    const std::string status = ReadFile("/proc/" + std::to_string(run->Pid()) + "/status");
    EXPECT_NE(status.find("CapPrm:\t0000000000000000"), std::string::npos) << status;
    EXPECT_NE(status.find("CapEff:\t0000000000000000"), std::string::npos) << status;
    EXPECT_EQ(run->QuitFromTray(), 0);
    EXPECT_EQ(run->Stored("ServerID").toInt(), 1);
    EXPECT_TRUE(desktop->TrayIcons().empty()) << "the tray icon must go with the program";
    EXPECT_EQ(run->ShimLog(), "") << "compare never sets the clock";
    const std::vector<test::JournalEntry> entries = journald.Take();
    ASSERT_EQ(entries.size(), 1u) << "one entry for the one run";
    ExpectEntry(entries[0], "hodra2", "compared", journal::kCompared, "start-up");
    EXPECT_EQ(Field(entries[0], "MESSAGE"), "사용자 PC가 5.3 초 늦습니다.");
    EXPECT_EQ(Field(entries[0], "HODRA2_SERVER"), ahead.Address());
    EXPECT_NEAR(Seconds(entries[0], "HODRA2_OFFSET_SEC"), 5.25, 0.05);
}

TEST_F(WholeProgram, SynchroniseThroughTheHelperLogsRecordsAndSetsTheClockOnce) {
    test::ChronyServer ahead("+5.25s");
    ASSERT_TRUE(ahead.Running()) << ahead.Failure();
    run->Deployment(ahead.Address(), "127.0.0.1:9");
    run->Profile("Log", 1);
    run->Profile("Blink", 1);
    test::JournalListener& journald = run->ListenToJournal();
    ASSERT_TRUE(run->Start());
    const QPoint sync = run->ControlCentre(dialog102::kSync);
    desktop->Click(sync.x(), sync.y());
    ASSERT_TRUE(WaitUntil([&] { return !run->ShimLog().empty(); })) << "the clock was never set";
    desktop->Screenshot(Shot("2-sync-blinking"));
    // The blink ends with the time of the synchronisation, read just after the step.
    const auto stepped =
        static_cast<std::int64_t>(QString::fromStdString(run->ShimLog()).split(' ').value(3).toDouble());
    QStringList finals;
    for (int late = 0; late <= 2; ++late) {
        finals << QString::fromStdString(FinalSyncText(stepped + late));
    }
    EXPECT_TRUE(WaitForMessage(finals, "한국표준시에 동기되었습니다.", "2-sync-final"));
    EXPECT_EQ(run->QuitFromTray(), 0);

    const std::string log = run->ResultLog();
    EXPECT_TRUE(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d -5\\.25\\d\\n$")
                    .match(QString::fromStdString(log))
                    .hasMatch())
        << log;
    const QStringList calls = QString::fromStdString(run->ShimLog()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(calls.size(), 1) << run->ShimLog();
    const QStringList f = calls[0].split(' ');
    ASSERT_EQ(f.size(), 5);
    EXPECT_EQ(f[0], "clock_adjtime") << "one relative step";
    EXPECT_EQ(f[1], "0");
    EXPECT_EQ(f[4], "hodra2-sntp") << "the window never sets the clock itself";
    // One relative step by the measured offset: the stored LastDiff (milliseconds), near the
    // server's 5.25 s.
    const double applied = f[2].toDouble() - f[3].toDouble();
    EXPECT_LT(std::abs(applied - 5.25), 0.1) << applied;
    EXPECT_NEAR(run->Stored("LastDiff").toInt(), applied * 1000, 1.0);
    EXPECT_NEAR(run->Stored("LastCon").toLongLong(), f[3].toDouble(), 2) << "the time of the synchronisation";
    // The helper's entry of the step, then the window's of the same run: both tell that step.
    const std::vector<test::JournalEntry> entries = journald.Take();
    ASSERT_EQ(entries.size(), 2u);
    ExpectEntry(entries[0], "hodra2-sntp", "set", journal::kSet, "user");
    ExpectEntry(entries[1], "hodra2", "set", journal::kSet, "user");
    EXPECT_EQ(Field(entries[1], "MESSAGE"), "한국표준시에 동기되었습니다.");
    EXPECT_EQ(Field(entries[1], "HODRA2_OFFSET_SEC"), Field(entries[0], "HODRA2_OFFSET_SEC"));
    EXPECT_NEAR(Seconds(entries[1], "HODRA2_OFFSET_SEC"), applied, 1e-3);
}

// Two servers two hours ahead: the timer's run leaves the clock alone and says why; "동기"
// asks first, and "예" steps, the second server agreeing.
TEST_F(WholeProgram, AStepOverTheLimitWaitsForTheUsersWord) {
    test::ChronyServer first("+7200s");
    test::ChronyServer second("+7200s");
    ASSERT_TRUE(first.Running()) << first.Failure();
    ASSERT_TRUE(second.Running()) << second.Failure();
    run->Deployment(first.Address(), second.Address());
    run->Profile("AutoCon", 1);
    run->Profile("AutoConDuration", 1);
    run->Profile("Blink", 0);
    test::JournalListener& journald = run->ListenToJournal();
    ASSERT_TRUE(run->Start());
    EXPECT_TRUE(WaitUntil(
        [&] {
            return WaitForMessage("PC가 7200 초 늦지만 차이가 커서 안 맞췄습니다.", "사용자 PC가 7200.0 초 늦습니다.",
                                  "11-too-large-automatic");
        },
        90000))
        << "the timer's run after a minute";
    EXPECT_EQ(run->ShimLog(), "") << "an automatic run never steps that far";

    const QPoint sync = run->ControlCentre(dialog102::kSync);
    desktop->Click(sync.x(), sync.y());
    std::vector<std::string> windows;
    ASSERT_TRUE(WaitUntil([&] { return (windows = desktop->Windows(run->Pid(), "Hodra2")).size() == 2; }))
        << "the question box";
    desktop->Screenshot(Shot("11-large-step-question"));
    EXPECT_EQ(run->ShimLog(), "") << "nothing before the answer";
    desktop->Key("shift+Tab");  // from "아니요", the default, to "예"
    desktop->Key("space");
    ASSERT_TRUE(WaitUntil([&] { return !run->ShimLog().empty(); })) << "예 steps the clock";
    EXPECT_TRUE(WaitForMessage("한국표준시에 동기되었습니다.", "동기에 실패했습니다.", "11-large-step-made"));
    EXPECT_EQ(run->QuitFromTray(), 0);
    const QStringList f = QString::fromStdString(run->ShimLog()).trimmed().split(' ');
    ASSERT_EQ(f.size(), 5) << run->ShimLog();
    EXPECT_EQ(f[0], "clock_adjtime");
    EXPECT_LT(std::abs(f[2].toDouble() - f[3].toDouble() - 7200.0), 0.1);
    // The timer's run and the user's are told apart, by the helper too; between them the
    // helper's refusal of the user's first "동기".
    const std::vector<test::JournalEntry> entries = journald.Take();
    ASSERT_EQ(entries.size(), 5u);
    ExpectEntry(entries[0], "hodra2-sntp", "too-large", journal::kTooLarge, "auto");
    ExpectEntry(entries[1], "hodra2", "too-large", journal::kTooLarge, "auto");
    EXPECT_EQ(Field(entries[1], "MESSAGE"), "PC가 7200 초 늦지만 차이가 커서 안 맞췄습니다.");
    EXPECT_EQ(Field(entries[1], "PRIORITY"), "5");
    ExpectEntry(entries[2], "hodra2-sntp", "too-large", journal::kTooLarge, "user");
    ExpectEntry(entries[3], "hodra2-sntp", "set", journal::kSet, "user");
    ExpectEntry(entries[4], "hodra2", "set", journal::kSet, "user");
}

TEST_F(WholeProgram, SecondaryServerAndNoServer) {
    test::ChronyServer secondary("+5.25s");
    ASSERT_TRUE(secondary.Running()) << secondary.Failure();
    SilentPort silent;
    run->Deployment(silent.Address(), secondary.Address());
    run->Profile("AutoCompare", 1);
    ASSERT_TRUE(run->Start());
    EXPECT_TRUE(WaitForMessage("사용자 PC가 5.3 초 늦습니다.", "서버에서 응답이 없습니다", "3-secondary"));
    EXPECT_EQ(run->QuitFromTray(), 0);
    EXPECT_EQ(run->Stored("ServerID").toInt(), 2);

    SilentPort alsoSilent;
    HodraRun second(*desktop);
    second.Deployment(silent.Address(), alsoSilent.Address());
    second.Profile("AutoCompare", 1);
    test::JournalListener& journald = second.ListenToJournal();
    ASSERT_TRUE(second.Start());
    EXPECT_TRUE(WaitForMessage("서버에서 응답이 없습니다", "사용자 PC가 5.3 초 늦습니다.", "3-no-server", &second));
    EXPECT_EQ(second.QuitFromTray(), 0);
    EXPECT_EQ(second.Stored("ServerID").toInt(), 3);
    const std::vector<test::JournalEntry> entries = journald.Take();
    ASSERT_EQ(entries.size(), 1u);
    ExpectEntry(entries[0], "hodra2", "no-answer", journal::kNoAnswer, "start-up");
    EXPECT_EQ(Field(entries[0], "MESSAGE"), "서버에서 응답이 없습니다");
    EXPECT_EQ(Field(entries[0], "PRIORITY"), "4");
    EXPECT_EQ(entries[0].count("HODRA2_OFFSET_SEC"), 0u) << "nothing was measured";
}

TEST_F(WholeProgram, HostileServerNeverSetsTheClock) {
    test::FakeSntpServer hostile;
    test::ReplyScript kissOfDeath;
    kissOfDeath.clockOffset = 1000.0;
    kissOfDeath.stratum = 0;
    kissOfDeath.referenceId = 0x44454E59;  // DENY
    hostile.SetScript(kissOfDeath);
    SilentPort silent;
    run->Deployment(hostile.Address(), silent.Address());
    ASSERT_TRUE(run->Start());
    const QPoint sync = run->ControlCentre(dialog102::kSync);
    desktop->Click(sync.x(), sync.y());
    EXPECT_TRUE(WaitForMessage("서버에서 응답이 없습니다", "한국표준시에 동기되었습니다.", "8-hostile"));
    EXPECT_EQ(run->QuitFromTray(), 0);
    EXPECT_GE(hostile.RequestsSeen(), 1);
    EXPECT_EQ(run->ShimLog(), "") << "the clock must not be set from a Kiss-o'-Death";
    EXPECT_EQ(run->Stored("ServerID").toInt(), 3);
}

// The history file of a run, as the program keeps it under the run's home.
std::vector<RunRecord> History(const HodraRun& run) {
    return RunHistory(run.Dir() + "/home/.local/state/hodra2/history.tsv").Read();
}

// Pixels of about one colour (antialiased edges included) in a part of a picture.
int PixelsOf(const QImage& picture, const QRect& part, QRgb colour) {
    int count = 0;
    for (int y = part.top(); y <= part.bottom(); ++y) {
        for (int x = part.left(); x <= part.right(); ++x) {
            const QRgb p = picture.valid(x, y) ? picture.pixel(x, y) : 0;
            count += picture.valid(x, y) && std::abs(qRed(p) - qRed(colour)) < 40 &&
                     std::abs(qGreen(p) - qGreen(colour)) < 40 && std::abs(qBlue(p) - qBlue(colour)) < 40;
        }
    }
    return count;
}

// The start-up run goes into the history, and the history window, opened from the tray
// menu, draws its point.
TEST_F(WholeProgram, TheHistoryKeepsTheRunAndItsWindowDrawsIt) {
    test::ChronyServer ahead("+5.25s");
    ASSERT_TRUE(ahead.Running()) << ahead.Failure();
    run->Deployment(ahead.Address(), "127.0.0.1:9");
    run->Profile("AutoCompare", 1);
    ASSERT_TRUE(run->Start());
    EXPECT_TRUE(WaitForMessage("사용자 PC가 5.3 초 늦습니다.", "사용자 PC가 5.2 초 늦습니다.", "13-compare"));
    ASSERT_TRUE(WaitUntil([&] { return History(*run).size() == 1; }));
    const RunRecord kept = History(*run).front();
    EXPECT_EQ(kept.result, hodra::RunResult::Compared);
    EXPECT_TRUE(kept.automatic);
    EXPECT_NEAR(*kept.offset, 5.25, 0.01);
    EXPECT_EQ(kept.server, ahead.Address());

    const QPoint icon = desktop->TrayIcons().front().center();
    const std::size_t windows = desktop->VisibleWindows(run->Pid()).size();
    desktop->Click(icon.x(), icon.y(), 3);
    ASSERT_TRUE(WaitUntil([&] { return desktop->VisibleWindows(run->Pid()).size() > windows; })) << "the menu";
    desktop->Key("h");  // 기록 보기(&H)
    const std::string view = desktop->WaitWindow(run->Pid(), "Hodra2 기록");
    ASSERT_FALSE(view.empty()) << "the history window from the tray menu";
    EXPECT_TRUE(WaitUntil([&] {
        // The chart below the span buttons and the legend (whose ring is not the run's), above
        // the list (whose selection is blue too).
        const QRect window = desktop->Geometry(view);
        const QRect plot(window.x(), window.y() + 64, window.width(), window.height() / 2 - 64);
        return PixelsOf(desktop->Screenshot(Shot("13-history")), plot, qRgb(0x1f, 0x77, 0xb4)) > 15;
    })) << "the compare's mark, in its colour";
    EXPECT_EQ(run->Terminate(), 0);
}

// A panel on a private session bus: its StatusNotifierWatcher logs each item that
// registers ("item SERVICE") to a file in the run's directory.
class Panel {
public:
    explicit Panel(const std::string& dir)
        : items(dir + "/tray.items"), watcher(HODRA_FAKE_TRAY_WATCHER, {session.Address(), items}) {}

    bool Ready() const { return session.Running() && watcher.Ready(); }
    const std::string& BusAddress() const { return session.Address(); }
    std::string Log() const { return ReadFile(items); }
    bool ItemRegistered() const { return Log().rfind("item ", 0) == 0; }

private:
    test::PrivateBus session;
    const std::string items;
    test::FakeBusService watcher;
};

// The tray icon's tooltip as a panel reads it, through the StatusNotifierItem the program
// registered ("item SERVICE" in the fake watcher's log).
class TrayTooltip {
public:
    TrayTooltip(const std::string& busAddress, const std::string& registered)
        : item(QString::fromStdString(registered.substr(std::min<std::size_t>(5, registered.size()))).trimmed()),
          bus(QDBusConnection::connectToBus(QString::fromStdString(busAddress), "tooltip")) {}
    ~TrayTooltip() { QDBusConnection::disconnectFromBus("tooltip"); }

    QString operator()() const {
        QDBusMessage get =
            QDBusMessage::createMethodCall(item, "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get");
        get << QStringLiteral("org.kde.StatusNotifierItem") << QStringLiteral("ToolTip");
        const QDBusMessage reply = bus.call(get);
        if (reply.arguments().isEmpty()) {
            return {};
        }
        // (sa(iiay)ss): icon name, pictures, title, text.
        const QDBusArgument value = reply.arguments().front().value<QDBusVariant>().variant().value<QDBusArgument>();
        QString icon;
        QString title;
        QString text;
        value.beginStructure();
        value >> icon;
        value.beginArray();
        while (!value.atEnd()) {
            int width = 0;
            int height = 0;
            QByteArray bytes;
            value.beginStructure();
            value >> width >> height >> bytes;
            value.endStructure();
        }
        value.endArray();
        value >> title >> text;
        value.endStructure();
        return (title + "\n" + text).trimmed();  // Qt puts it all in the title
    }

private:
    QString item;
    QDBusConnection bus;
};

// Through a panel's StatusNotifierItem the tooltip can be read: the last run, its offset,
// the server, the next run.
TEST_F(WholeProgram, TheTooltipTellsTheLastRun) {
    std::string why;
    if (!test::PrivateBus::Available(&why)) {
        GTEST_SKIP() << why;
    }
    const Panel panel(run->Dir());
    ASSERT_TRUE(panel.Ready());
    test::ChronyServer ahead("+5.25s");
    ASSERT_TRUE(ahead.Running()) << ahead.Failure();
    run->Deployment(ahead.Address(), "127.0.0.1:9");
    run->Profile("AutoCompare", 1);
    run->Session({{"DBUS_SESSION_BUS_ADDRESS", panel.BusAddress()}});
    ASSERT_TRUE(run->Start(true, false));
    ASSERT_TRUE(WaitUntil([&] { return panel.ItemRegistered() && !History(*run).empty(); }));
    const TrayTooltip read(panel.BusAddress(), panel.Log());
    QString tooltip;
    EXPECT_TRUE(WaitUntil([&] { return (tooltip = read()).contains("측정: 사용자 PC가 5.3 초 늦습니다."); }))
        << tooltip.toStdString();
    EXPECT_TRUE(tooltip.contains(QString::fromStdString("서버: " + ahead.Address() + " (127.0.0.1)")));
    EXPECT_TRUE(tooltip.contains("다음 동기: ")) << tooltip.toStdString();
    EXPECT_EQ(run->Terminate(), 0);
}

// Offline at start: the start-up run finds no server, and the next try, 30 s later, finds
// the one that came up meanwhile.
TEST_F(WholeProgram, AnAutomaticRunThatFoundNoServerTriesAgainByItself) {
    const std::uint16_t port = test::FreeUdpPort();
    run->Deployment("127.0.0.1:" + std::to_string(port), "127.0.0.1:9");
    run->Profile("AutoCompare", 1);
    ASSERT_TRUE(run->Start());
    ASSERT_TRUE(WaitUntil([&] { return History(*run).size() == 1; })) << "the start-up run";
    EXPECT_EQ(History(*run).front().result, hodra::RunResult::NoAnswer);
    test::ChronyServer::Options o;
    o.fakeOffset = "+5.25s";
    o.port = port;
    test::ChronyServer back(o);
    ASSERT_TRUE(back.Running()) << back.Failure();
    EXPECT_TRUE(WaitUntil([&] { return History(*run).size() == 2; }, 45000)) << "a try within 40 s";
    const std::vector<RunRecord> runs = History(*run);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[1].result, hodra::RunResult::Compared);
    EXPECT_TRUE(runs[1].automatic);
    EXPECT_GE(runs[1].utcMs - runs[0].utcMs, 29900) << "the first try waits its 30 s";
    EXPECT_TRUE(WaitForMessage("사용자 PC가 5.3 초 늦습니다.", "서버에서 응답이 없습니다", "14-recovered"));
    EXPECT_EQ(run->QuitFromTray(), 0);
}

// NetworkManager saying the network is up, or logind saying the machine woke, brings the
// pending try forward: long before its 30 s.
TEST_F(WholeProgram, TheNetworkComingUpOrAResumeStartsThePendingTry) {
    std::string why;
    if (!test::PrivateBus::Available(&why)) {
        GTEST_SKIP() << why;
    }
    for (const int told : {SIGUSR1, SIGUSR2}) {
        test::PrivateBus system;
        ASSERT_TRUE(system.Running());
        test::FakeBusService events(HODRA_FAKE_SYSTEM_EVENTS, {system.Address()});
        ASSERT_TRUE(events.Ready());
        HodraRun offline(*desktop);
        const std::uint16_t port = test::FreeUdpPort();
        offline.Deployment("127.0.0.1:" + std::to_string(port), "127.0.0.1:9");
        offline.Profile("AutoCompare", 1);
        offline.Profile("Top", 0);
        offline.SystemBus(system.Address());
        ASSERT_TRUE(offline.Start());
        ASSERT_TRUE(WaitUntil([&] { return History(offline).size() == 1; })) << "the start-up run";
        test::ChronyServer::Options o;
        o.port = port;
        test::ChronyServer back(o);
        ASSERT_TRUE(back.Running()) << back.Failure();
        events.Signal(told);
        ASSERT_TRUE(WaitUntil([&] { return History(offline).size() == 2; }, 45000));
        const std::vector<RunRecord> runs = History(offline);
        EXPECT_EQ(runs[1].result, hodra::RunResult::Compared) << told;
        EXPECT_LT(runs[1].utcMs - runs[0].utcMs, 25000) << "started by the signal, not by the 30 s try";
        EXPECT_EQ(offline.QuitFromTray(), 0);
    }
}

TEST_F(WholeProgram, SecondStartIsRefusedAndTheFirstRunsOn) {
    run->Deployment("127.0.0.1:9", "127.0.0.1:9");
    ASSERT_TRUE(run->Start());
    const pid_t second = run->StartAnother();
    const std::string box = desktop->WaitWindow(second, "Hodra2");
    ASSERT_FALSE(box.empty()) << "the second copy shows its message";
    desktop->Screenshot(Shot("4-second-start"));
    // A key sent before the box takes input is lost, as it would be for a user, who would
    // press again: so does the test, until the copy ends (the real event waited for).
    int ended = -1;
    for (int press = 0; press < 30 && ended < 0; ++press) {
        desktop->Xdotool({"windowactivate", "--sync", box});
        desktop->Key("Return");
        ended = WaitExit(second, 1000);
    }
    EXPECT_EQ(ended, 0) << "the refused copy ends once its box is answered";
    EXPECT_TRUE(Alive(run->Pid()));
    EXPECT_FALSE(desktop->Windows(run->Pid(), "Hodra2").empty());
    EXPECT_EQ(run->QuitFromTray(), 0);
}

// Where a control of the settings sheet lies, from the same sheet built here.
QPoint SheetPoint(const QRect& sheetOnScreen, QWidget* (*pick)(SettingsSheet&)) {
    Settings settings;
    const WebPageLauncher none([](const QUrl&, const WebPageLauncher::Done& done) { done(false); });
    SettingsSheet sheet(settings, {}, {}, none);
    sheet.show();
    QCoreApplication::processEvents();
    QWidget* w = pick(sheet);
    return sheetOnScreen.topLeft() + w->mapTo(&sheet, w->rect().center());
}

// The tooltip names what comes next: after a start-up compare that found no server, the
// compare that tries again; once 자동 접속 is switched off in the sheet, nothing, at once.
TEST_F(WholeProgram, TheTooltipNamesThePendingRunAndFollowsTheSheet) {
    std::string why;
    if (!test::PrivateBus::Available(&why)) {
        GTEST_SKIP() << why;
    }
    const Panel panel(run->Dir());
    ASSERT_TRUE(panel.Ready());
    const std::uint16_t port = test::FreeUdpPort();
    run->Deployment("127.0.0.1:" + std::to_string(port), "127.0.0.1:9");
    run->Profile("AutoCompare", 1);
    run->Profile("AutoCon", 1);
    run->Session({{"DBUS_SESSION_BUS_ADDRESS", panel.BusAddress()}});
    ASSERT_TRUE(run->Start(true, false));
    ASSERT_TRUE(WaitUntil([&] { return panel.ItemRegistered() && History(*run).size() == 1; }));
    const TrayTooltip read(panel.BusAddress(), panel.Log());
    QString tooltip;
    EXPECT_TRUE(WaitUntil([&] { return (tooltip = read()).contains("결과: 응답 없음"); })) << tooltip.toStdString();
    EXPECT_TRUE(QRegularExpression("\n다음 비교: \\d\\d:\\d\\d \\(1분 후, 1번째 재시도\\)$").match(tooltip).hasMatch())
        << tooltip.toStdString();

    // The server comes up and "비교" finds it: the series ends, the regular run is next.
    test::ChronyServer::Options o;
    o.fakeOffset = "+5.25s";
    o.port = port;
    test::ChronyServer back(o);
    ASSERT_TRUE(back.Running()) << back.Failure();
    const QPoint compare = run->ControlCentre(dialog102::kCompare);
    desktop->Click(compare.x(), compare.y());
    ASSERT_TRUE(WaitUntil([&] { return History(*run).size() == 2; }));
    EXPECT_TRUE(WaitUntil([&] { return (tooltip = read()).contains("\n다음 동기: "); })) << tooltip.toStdString();

    const QPoint open = run->ControlCentre(dialog102::kSettings);
    desktop->Click(open.x(), open.y());
    const std::string sheet = desktop->WaitWindow(run->Pid(), "설정");
    ASSERT_FALSE(sheet.empty());
    const QRect at = desktop->Geometry(sheet);
    const QPoint automatic = SheetPoint(at, [](SettingsSheet& s) { return s.envPage().option("AutoCon"); });
    const QPoint ok = SheetPoint(at, [](SettingsSheet& s) -> QWidget* {
        for (auto* b : s.findChildren<QPushButton*>(Qt::FindDirectChildrenOnly)) {
            if (b->text() == "확인")
                return b;
        }
        return nullptr;
    });
    desktop->Click(automatic.x(), automatic.y());
    desktop->Click(ok.x(), ok.y());
    EXPECT_TRUE(WaitUntil([&] { return (tooltip = read()).endsWith("\n다음 동기: 없음 (자동 동기 꺼짐)"); }, 1000))
        << "within a second of 확인: " << tooltip.toStdString();
    EXPECT_EQ(run->Stored("AutoCon").toInt(), 0);
    EXPECT_EQ(run->Terminate(), 0);
}

// "동기" with an NTS server: the helper steps the clock on its authenticated answer, and the
// server page says so beside the address that answered.
TEST_F(WholeProgram, AnNtsServerSetsTheClockAndTheServerPageSaysItWasAuthenticated) {
    test::TempDir certs;
    ASSERT_TRUE(test::MakeCertificate(certs.StdPath(), "localhost", "localhost")) << "openssl failed";
    test::ChronyServer::Options o;
    o.fakeOffset = "+5.25s";
    o.ntsCertificate = certs.StdPath() + "/localhost.crt";
    o.ntsKey = certs.StdPath() + "/localhost.key";
    test::ChronyServer nts(o);
    ASSERT_TRUE(nts.Running()) << nts.Failure();
    const Deployment deployment{nts.NtsAddress(), "127.0.0.1:9", "http://127.0.0.1:9/"};
    run->Deployment(deployment.primaryHost, deployment.secondaryHost, {{"NtsTrustedCerts", o.ntsCertificate}});
    run->Profile("Blink", 0);
    // A desktop whose opener fails (it exits 3), and a browser that notes what it was given.
    const std::string bin = run->Dir() + "/bin";
    QDir().mkpath(QString::fromStdString(bin));
    std::ofstream(bin + "/xdg-open") << "#!/bin/sh\nexit 3\n";
    std::ofstream(bin + "/browser") << "#!/bin/sh\necho \"$1\" > '" << bin << "/browsed.part' && mv '" << bin
                                    << "/browsed.part' '" << bin << "/browsed'\n";
    for (const char* program : {"/xdg-open", "/browser"}) {
        QFile::setPermissions(QString::fromStdString(bin + program), QFile::ReadOwner | QFile::ExeOwner);
    }
    run->Session({{"PATH", bin + ":" + qEnvironmentVariable("PATH").toStdString()}, {"BROWSER", bin + "/browser %s"}});
    ASSERT_TRUE(run->Start());
    const QPoint sync = run->ControlCentre(dialog102::kSync);
    desktop->Click(sync.x(), sync.y());
    ASSERT_TRUE(WaitUntil([&] { return !run->ShimLog().empty(); })) << "the clock was never set";
    EXPECT_TRUE(WaitForMessage("한국표준시에 동기되었습니다.", "동기에 실패했습니다.", "12-nts-sync"));

    const QPoint open = run->ControlCentre(dialog102::kSettings);
    desktop->Click(open.x(), open.y());
    const std::string sheet = desktop->WaitWindow(run->Pid(), "설정");
    ASSERT_FALSE(sheet.empty());
    desktop->Key("ctrl+Tab");  // to the server page
    // The server page as it should look, and as it would without the proof.
    auto shown = [&](bool authenticated) {
        Settings settings;
        settings.ServerID = 1;
        const WebPageLauncher none([](const QUrl&, const WebPageLauncher::Done& done) { done(false); });
        SettingsSheet expected(settings, deployment, {"127.0.0.1", authenticated}, none);
        expected.tabs().setCurrentIndex(1);
        expected.show();
        QCoreApplication::processEvents();
        QWidget* text = expected.serverPage().control(dialog130::kServerText);
        return std::pair{text->grab().toImage().convertToFormat(QImage::Format_RGB32),
                         QRect(text->mapTo(&expected, QPoint(0, 0)), text->size())};
    };
    const auto [proof, where] = shown(true);
    const QImage without = shown(false).first;
    const QRect onScreen = where.translated(desktop->Geometry(sheet).topLeft());
    EXPECT_TRUE(WaitUntil([&] {
        const QImage now = desktop->Screenshot(Shot("12-nts-server-page")).copy(onScreen);
        return Likeness(now, proof) > 0.97 && Likeness(now, proof) > Likeness(now, without);
    })) << "the server page shows the address and 인증됨 (NTS)";
    // Its button: the opener fails, so the page goes to the browser's own command line.
    Settings none;
    const WebPageLauncher noBrowser([](const QUrl&, const WebPageLauncher::Done& done) { done(false); });
    SettingsSheet local(none, deployment, {}, noBrowser);
    local.tabs().setCurrentIndex(1);
    local.show();
    QCoreApplication::processEvents();
    QWidget* button = local.serverPage().control(dialog130::kWebPage);
    const QPoint press = desktop->Geometry(sheet).topLeft() + button->mapTo(&local, button->rect().center());
    desktop->Click(press.x(), press.y());
    EXPECT_TRUE(WaitUntil([&] { return ReadFile(bin + "/browsed") == "http://127.0.0.1:9/\n"; }))
        << "the fallback browser, started after the opener failed";
    desktop->Key("Escape");
    EXPECT_EQ(run->QuitFromTray(), 0);
    const QStringList f = QString::fromStdString(run->ShimLog()).trimmed().split(' ');
    ASSERT_EQ(f.size(), 5) << run->ShimLog();
    EXPECT_EQ(f[4], "hodra2-sntp");
    EXPECT_LT(std::abs(f[2].toDouble() - f[3].toDouble() - 5.25), 0.1);
}

TEST_F(WholeProgram, SettingsSheetStoresTheIntervalAndRefusesZero) {
    run->Deployment("127.0.0.1:9", "127.0.0.1:9");
    ASSERT_TRUE(run->Start());
    const QPoint open = run->ControlCentre(dialog102::kSettings);
    desktop->Click(open.x(), open.y());
    std::string sheet = desktop->WaitWindow(run->Pid(), "설정");
    ASSERT_FALSE(sheet.empty());
    const QRect at = desktop->Geometry(sheet);
    auto minutes = [](SettingsSheet& s) { return s.envPage().option("AutoConDuration"); };
    auto ok = [](SettingsSheet& s) -> QWidget* {
        for (auto* b : s.findChildren<QPushButton*>(Qt::FindDirectChildrenOnly)) {
            if (b->text() == "확인")
                return b;
        }
        return nullptr;
    };
    const QPoint field = SheetPoint(at, minutes);
    const QPoint okButton = SheetPoint(at, ok);
    desktop->Click(field.x(), field.y());
    desktop->Key("ctrl+a");
    desktop->Type("5");
    desktop->Screenshot(Shot("5-sheet"));
    desktop->Click(okButton.x(), okButton.y());
    EXPECT_TRUE(WaitUntil([&] { return desktop->Windows(run->Pid(), "설정").empty(); })) << "OK closes the sheet";
    EXPECT_TRUE(WaitUntil([&] { return run->Stored("AutoConDuration").toInt() == 5; }))
        << run->Stored("AutoConDuration").toInt();

    desktop->Click(open.x(), open.y());
    sheet = desktop->WaitWindow(run->Pid(), "설정");
    ASSERT_FALSE(sheet.empty());
    desktop->Click(field.x(), field.y());
    desktop->Key("ctrl+a");
    desktop->Type("0");
    desktop->Click(okButton.x(), okButton.y());
    EXPECT_TRUE(WaitUntil([&] { return desktop->Windows(run->Pid(), "Hodra2").size() == 2u; }))
        << "the range message box is up";
    desktop->Screenshot(Shot("5-range-message"));
    EXPECT_FALSE(desktop->Windows(run->Pid(), "설정").empty()) << "and the sheet stays open";
    desktop->Key("Return");
    EXPECT_TRUE(WaitUntil([&] { return desktop->Windows(run->Pid(), "Hodra2").size() == 1u; }));
    desktop->Key("Escape");
    EXPECT_TRUE(WaitUntil([&] { return desktop->Windows(run->Pid(), "설정").empty(); }));
    EXPECT_EQ(run->Stored("AutoConDuration").toInt(), 5);
    EXPECT_EQ(run->QuitFromTray(), 0);
}

// The settings sheet blocks only the clock window: the tray and the world time dialog
// still take input while it is open.
// A region 5 hours 45 minutes ahead of Korea (no zone has it, any table may): it loads,
// the regions after it too, and the dialog tells its difference.
TEST_F(WholeProgram, ARegionFarFromAnyZoneLoadsAndTellsItsDifference) {
    const QByteArray table =
        test::Cp949("가상 2 먼섬(가상) 345 0 0 뒷섬(가상) -90 0 0 g2 0 g3 0 g4 0 g5 0 g6 0 g7 0 g8 0");
    std::ofstream(run->Dir() + "/cwd/세계시간표2.txt", std::ios::binary).write(table.constData(), table.size());
    run->Deployment("127.0.0.1:9", "127.0.0.1:9");
    run->Profile("WorldTime_X", 300);
    run->Profile("WorldTime_Y", 100);
    ASSERT_TRUE(run->Start());
    const QPoint open = run->ControlCentre(dialog102::kWorldTime);
    desktop->Click(open.x(), open.y());
    const std::string dialog = desktop->WaitWindow(run->Pid(), "세계시각");
    ASSERT_FALSE(dialog.empty());
    const QRect at = desktop->Geometry(dialog);
    const DialogTemplate t = LoadDialogTemplate(178);
    QWidget scratch;
    const BuiltDialog built = DialogBuilder(t).Build(&scratch);
    const QRect edit = built.controls.value(dialog178::kSearch)->geometry().translated(at.topLeft());
    const QRect description = built.controls.value(dialog178::kDescription)->geometry().translated(at.topLeft());
    WorldTimeTable loaded;
    ASSERT_TRUE(loaded.Load(table));
    auto render = [&](int index) {
        auto* label = built.Get<QLabel>(dialog178::kDescription);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setContentsMargins(2, 2, 2, 2);
        label->setText(ComposeDescription(&loaded.at(index), std::time(nullptr)));
        return label->grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    const QImage ahead = render(0);  // "...한국보다 5시 45분이 빠른 지역입니다."
    const QImage behind = render(1);
    desktop->Click(edit.center().x(), edit.center().y());
    desktop->Type("먼섬");
    desktop->Key("Return");
    EXPECT_TRUE(WaitUntil([&] {
        const QImage shown = desktop->Screenshot(Shot("15-world-time-345")).copy(description);
        return Likeness(shown, ahead) > 0.97 && Likeness(shown, ahead) > Likeness(shown, behind);
    })) << "the region at +345 minutes, found and described";
    EXPECT_EQ(run->QuitFromTray(), 0);
}

TEST_F(WholeProgram, WorldTimeFindsLondonWhileTheSettingsSheetIsOpen) {
    run->Deployment("127.0.0.1:9", "127.0.0.1:9");
    run->Profile("WorldTime_X", 400);
    run->Profile("WorldTime_Y", 120);
    ASSERT_TRUE(run->Start());
    const QPoint open = run->ControlCentre(dialog102::kWorldTime);
    desktop->Click(open.x(), open.y());
    const std::string dialog = desktop->WaitWindow(run->Pid(), "세계시각");
    ASSERT_FALSE(dialog.empty());
    const QRect at = desktop->Geometry(dialog);
    EXPECT_EQ(at.topLeft(), QPoint(400, 120));
    const QPoint settings = run->ControlCentre(dialog102::kSettings);
    desktop->Click(settings.x(), settings.y());
    ASSERT_FALSE(desktop->WaitWindow(run->Pid(), "설정").empty());
    const std::size_t windows = desktop->VisibleWindows(run->Pid()).size();
    const QPoint icon = desktop->TrayIcons().front().center();
    desktop->Click(icon.x(), icon.y(), 3);
    EXPECT_TRUE(WaitUntil([&] { return desktop->VisibleWindows(run->Pid()).size() > windows; }))
        << "the tray menu opens while the sheet is up";
    desktop->Key("Escape");
    EXPECT_TRUE(WaitUntil([&] { return desktop->VisibleWindows(run->Pid()).size() == windows; }));

    const DialogTemplate t = LoadDialogTemplate(178);
    QWidget scratch;
    const BuiltDialog built = DialogBuilder(t).Build(&scratch);
    const QRect edit = built.controls.value(dialog178::kSearch)->geometry().translated(at.topLeft());
    const QRect description = built.controls.value(dialog178::kDescription)->geometry().translated(at.topLeft());
    desktop->Click(edit.center().x(), edit.center().y());
    desktop->Type("런던");
    desktop->Key("Return");

    // The description as the dialog draws it, for London and for Paris (which differ in
    // a few characters only).
    QByteArray bytes;
    ASSERT_TRUE(ReadWorldTimeFile(std::string(HODRA_SOURCE_RES) + "/세계시간표2.txt", bytes));
    WorldTimeTable table;
    table.Load(bytes);
    auto render = [&](const QString& name) {
        const auto found = table.Find(name);
        auto* label = built.Get<QLabel>(dialog178::kDescription);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setContentsMargins(2, 2, 2, 2);
        label->setText(ComposeDescription(&table.at(found.front()), std::time(nullptr)));
        return label->grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    const QImage londonText = render("런던(영국)");
    const QImage parisText = render("파리(프랑스)");
    EXPECT_TRUE(WaitUntil([&] {
        const QImage shown = desktop->Screenshot(Shot("6-world-time-london")).copy(description);
        const double london = Likeness(shown, londonText);
        return london > 0.97 && london > Likeness(shown, parisText);
    })) << "the London text, not a neighbour's";
    EXPECT_EQ(run->Terminate(SIGHUP), 0) << "a hangup ends the program as 종료 does, the sheet open or not";
    EXPECT_EQ(run->Stored("WorldTime_X").toInt(), 400);
    EXPECT_TRUE(desktop->TrayIcons().empty());
}

TEST_F(WholeProgram, DraggedWindowOpensWhereItWasLeft) {
    run->Deployment("127.0.0.1:9", "127.0.0.1:9");
    run->Profile("Hodra_X", 40);
    run->Profile("Hodra_Y", 50);
    ASSERT_TRUE(run->Start());
    EXPECT_EQ(run->Window().topLeft(), QPoint(40, 50));
    const QPoint clock = run->ControlCentre(dialog102::kClock);
    // One command: the X server delivers the press, the moves and the release in order.
    std::vector<std::string> drag{"mousemove", std::to_string(clock.x()), std::to_string(clock.y()), "mousedown", "1"};
    for (int step = 1; step <= 10; ++step) {
        drag.insert(drag.end(),
                    {"mousemove", std::to_string(clock.x() + step * 25), std::to_string(clock.y() + step * 20)});
    }
    drag.insert(drag.end(), {"mouseup", "1"});
    desktop->Xdotool(drag);
    const QPoint expected(40 + 250, 50 + 200);
    EXPECT_TRUE(WaitUntil([&] { return run->Window().topLeft() == expected; })) << run->Window().topLeft().x();
    EXPECT_TRUE(WaitUntil([&] { return run->Stored("Hodra_X").toInt() == expected.x(); }));
    const QPoint left = run->Window().topLeft();
    desktop->Screenshot(Shot("7-dragged"));
    EXPECT_EQ(run->QuitFromTray(), 0);

    HodraRun again(*desktop);
    again.Profile("AutoCompare", 0);
    for (const char* key : {"Hodra_X", "Hodra_Y"}) {
        again.Profile(key, run->Stored(key));
    }
    again.Deployment("127.0.0.1:9", "127.0.0.1:9");
    ASSERT_TRUE(again.Start());
    EXPECT_EQ(again.Window().topLeft(), left);
    EXPECT_EQ(again.QuitFromTray(), 0);
}

// Where the helper may not set the clock (here: no shim, so the kernel refuses it), the
// window asks the system's time service to step it by the helper's measurement.
TEST_F(WholeProgram, WithoutTheHelpersCapabilityTheSystemTimeServiceStepsTheClock) {
    std::string why;
    if (!test::PrivateBus::Available(&why)) {
        GTEST_SKIP() << why;
    }
    test::PrivateBus bus;
    ASSERT_TRUE(bus.Running());
    const std::string calls = run->Dir() + "/timedated.calls";
    test::FakeBusService timedated(HODRA_FAKE_TIMEDATED, {bus.Address(), calls});
    ASSERT_TRUE(timedated.Ready());
    test::ChronyServer ahead("+5.25s");
    ASSERT_TRUE(ahead.Running()) << ahead.Failure();
    run->Deployment(ahead.Address(), "127.0.0.1:9");
    run->SystemBus(bus.Address());
    run->Profile("Blink", 0);
    ASSERT_TRUE(run->Start(false));
    const QPoint sync = run->ControlCentre(dialog102::kSync);
    desktop->Click(sync.x(), sync.y());
    EXPECT_TRUE(WaitForMessage("한국표준시에 동기되었습니다.", "동기에 실패했습니다.", "9-timedated-step"));
    EXPECT_EQ(run->QuitFromTray(), 0);
    const QStringList call = QString::fromStdString(ReadFile(calls)).trimmed().split(' ');
    ASSERT_EQ(call.size(), 5) << ReadFile(calls);
    EXPECT_LT(std::abs(call[1].toLongLong() - 5250000), 100000) << "the measured offset, in microseconds";
    EXPECT_EQ(call.mid(2).join(' '), "1 1 1") << "relative, interactive, and polkit may ask";
    EXPECT_EQ(run->ShimLog(), "");
    EXPECT_NEAR(run->Stored("LastDiff").toInt(), call[1].toLongLong() / 1000, 1)
        << "LastDiff is the step timedated made";
    EXPECT_EQ(run->Stored("ServerID").toInt(), 1);
}

// The start-up run only compares: it tells the comparison as always, the system's time
// service keeping the clock or not (the timer's run is the one that says so).
TEST_F(WholeProgram, WhereTheSystemKeepsTheClockTheStartUpRunComparesAsAlways) {
    std::string why;
    if (!test::PrivateBus::Available(&why)) {
        GTEST_SKIP() << why;
    }
    test::PrivateBus bus;
    ASSERT_TRUE(bus.Running());
    test::FakeBusService timedated(HODRA_FAKE_TIMEDATED,
                                   {bus.Address(), run->Dir() + "/timedated.calls", "--ntp", "--synchronized"});
    ASSERT_TRUE(timedated.Ready());
    test::ChronyServer ahead("+5.25s");
    ASSERT_TRUE(ahead.Running()) << ahead.Failure();
    run->Deployment(ahead.Address(), "127.0.0.1:9");
    run->SystemBus(bus.Address());
    run->Profile("AutoCompare", 1);
    ASSERT_TRUE(run->Start());
    EXPECT_TRUE(WaitForMessage("사용자 PC가 5.3 초 늦습니다.", "시스템 동기중: PC가 5.3 초 늦습니다.",
                               "10-system-keeps-clock"));
    EXPECT_EQ(run->QuitFromTray(), 0);
    EXPECT_EQ(run->ShimLog(), "");
}

// A close during a run does not wait for it. The servers' names go to a name server that
// takes the question and never answers, so a close that waited would wait minutes.
// "종료" while the helper is between its step (here a slow one) and its report: the window
// waits for the report, so the step is logged and kept.
TEST_F(WholeProgram, AClosePastTheStepWaitsForTheReportAndKeepsIt) {
    test::ChronyServer ahead("+5.25s");
    ASSERT_TRUE(ahead.Running()) << ahead.Failure();
    run->Deployment(ahead.Address(), "127.0.0.1:9");
    run->Profile("Log", 1);
    run->Profile("Blink", 0);
    run->Session({{"HODRA_SHIM_STEP_PAUSE_MS", "3000"}});
    ASSERT_TRUE(run->Start());
    const QPoint sync = run->ControlCentre(dialog102::kSync);
    desktop->Click(sync.x(), sync.y());
    ASSERT_TRUE(WaitUntil([&] { return !run->ShimLog().empty(); })) << "the step, and the helper still at it";
    EXPECT_EQ(run->QuitFromTray(), 0);
    EXPECT_TRUE(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d -5\\.25\\d\\n$")
                    .match(QString::fromStdString(run->ResultLog()))
                    .hasMatch())
        << "the log line of the step: " << run->ResultLog();
    EXPECT_NEAR(run->Stored("LastDiff").toInt(), 5250, 20) << "and LastDiff";
}

TEST_F(WholeProgram, ClosingDuringAHungNameLookupEndsAtOnceAndKeepsTheState) {
    const int dns = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(53);
    inet_pton(AF_INET, "127.0.0.77", &at.sin_addr);
    if (bind(dns, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) {
        close(dns);
        GTEST_SKIP() << "cannot serve names on 127.0.0.77:53 here (needs root)";
    }
    const std::string conf = run->Dir() + "/resolv.conf";
    std::ofstream(conf) << "nameserver 127.0.0.77\noptions timeout:30 attempts:5\n";
    run->Resolver(conf);
    run->Deployment("time.hangs.example", "time2.hangs.example");
    run->Profile("AutoCompare", 1);
    run->Profile("Hodra_X", 30);
    run->Profile("ServerID", 2);
    ASSERT_TRUE(run->Start());
    pollfd question{dns, POLLIN, 0};
    ASSERT_EQ(poll(&question, 1, 30000), 1) << "the start-up run never asked for the server's name";
    EXPECT_EQ(run->Terminate(), 0) << "SIGTERM during the lookup";
    close(dns);
    EXPECT_EQ(run->Stored("Hodra_X").toInt(), 30) << "the state is still saved";
    EXPECT_EQ(run->Stored("ServerID").toInt(), 2) << "a cancelled run records nothing";
    EXPECT_EQ(run->ShimLog(), "");
}

// At a session start the panel may come up after the program: its icon then docks, and
// "창닫기" hides the window instead of minimising it.
TEST_F(WholeProgram, APanelThatComesUpLaterTakesTheIconAndHidingHides) {
    run.reset();
    desktop = std::make_unique<Desktop>(false);
    ASSERT_TRUE(desktop->Ready()) << desktop->Failure();
    run = std::make_unique<HodraRun>(*desktop);
    run->Profile("AutoCompare", 0);
    run->Profile("Top", 0);
    run->Deployment("127.0.0.1:9", "127.0.0.1:9");
    ASSERT_TRUE(run->Start(true, false));
    ASSERT_TRUE(desktop->AddTray()) << desktop->Failure();
    EXPECT_TRUE(WaitUntil([&] { return desktop->TrayIcons().size() == 1u; })) << "the icon docks in the late tray";
    const QPoint hide = run->ControlCentre(dialog102::kOk);
    desktop->Click(hide.x(), hide.y());
    EXPECT_TRUE(WaitUntil([&] { return desktop->Windows(run->Pid(), "Hodra2").empty(); }))
        << "with a tray now, 창닫기 hides the window";
    EXPECT_EQ(run->QuitFromTray(), 0);
}

// The windows of a process with this title on an X display (XWayland's, here).
std::vector<std::string> WindowsOn(const std::string& display, pid_t pid, const std::string& title) {
    const RunResult found =
        Run({"/usr/bin/xdotool", "search", "--onlyvisible", "--pid", std::to_string(pid), "--name", "^" + title + "$"},
            {{"DISPLAY", display}});
    std::istringstream lines(found.out);
    std::vector<std::string> ids;
    for (std::string id; std::getline(lines, id);) {
        ids.push_back(id);
    }
    return ids;
}

// The clock's green digits on its black face, anywhere in a picture.
int ClockDigitPixels(const QImage& picture) {
    int count = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, y);
            count += qGreen(p) > 200 && qRed(p) < 60 && qBlue(p) < 60;
        }
    }
    return count;
}

class UnderWayland : public WholeProgram {
protected:
    void SetUp() override {
        WholeProgram::SetUp();
        std::string why;
        if (!IsSkipped() && !Compositor::Available(&why)) {
            GTEST_SKIP() << why;
        }
    }
};

// A fixed-position clock on a Wayland session runs through XWayland, where its position
// and its stay-on-top hint are its own; on weston it shows with its Korean text.
TEST_F(UnderWayland, WithXWaylandTheClockRunsAsAnX11Window) {
    Compositor weston;
    ASSERT_TRUE(weston.Ready()) << weston.Failure();
    run->Deployment("127.0.0.1:9", "127.0.0.1:9");
    run->Session(
        {{"WAYLAND_DISPLAY", weston.WaylandDisplay()}, {"DISPLAY", weston.XDisplay()}, {"QT_QPA_PLATFORM", ""}});
    const pid_t pid = run->StartAnother();
    EXPECT_TRUE(WaitUntil([&] { return !WindowsOn(weston.XDisplay(), pid, "Hodra2").empty(); }))
        << "the clock window is an X11 window on XWayland";
    QImage shown;
    EXPECT_TRUE(WaitUntil([&] {
        shown = weston.Screenshot(Shot("11-wayland-xwayland"));
        return ClockDigitPixels(shown) > 300;
    })) << "the compositor shows the clock";
    kill(pid, SIGTERM);
    EXPECT_EQ(WaitExit(pid, 30000), 0);
}

// Without XWayland the window is a native Wayland one; its tray icon goes to the panel's
// StatusNotifierWatcher, and the positions stored for other sessions are left alone.
TEST_F(UnderWayland, NativelyTheTrayIsAStatusNotifierItemAndPositionsAreKept) {
    std::string why;
    if (!test::PrivateBus::Available(&why)) {
        GTEST_SKIP() << why;
    }
    Compositor weston;
    ASSERT_TRUE(weston.Ready()) << weston.Failure();
    const Panel panel(run->Dir());
    ASSERT_TRUE(panel.Ready());
    run->Deployment("127.0.0.1:9", "127.0.0.1:9");
    run->Profile("Hodra_X", 40);
    run->Profile("Hodra_Y", 50);
    run->Session({{"WAYLAND_DISPLAY", weston.WaylandDisplay()},
                  {"DISPLAY", ""},
                  {"QT_QPA_PLATFORM", ""},
                  {"DBUS_SESSION_BUS_ADDRESS", panel.BusAddress()}});
    const pid_t pid = run->StartAnother();
    EXPECT_TRUE(WaitUntil([&] { return panel.ItemRegistered(); })) << "the tray icon registers with the watcher";
    EXPECT_TRUE(WaitUntil([&] { return ClockDigitPixels(weston.Screenshot(Shot("12-wayland-native"))) > 300; }));
    kill(pid, SIGTERM);
    EXPECT_EQ(WaitExit(pid, 30000), 0);
    EXPECT_EQ(run->Stored("Hodra_X").toInt(), 40);
    EXPECT_EQ(run->Stored("Hodra_Y").toInt(), 50);
}

}  // namespace
}  // namespace hodra::e2e
