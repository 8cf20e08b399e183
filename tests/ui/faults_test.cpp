#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSettings>
#include <QTreeWidget>
#include <csignal>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "info_dialog.h"
#include "message_label.h"
#include "modal_watcher.h"
#include "profile_sets.h"
#include "result_log.h"
#include "settings_store.h"
#include "window_fixture.h"
#include "world_time_dialog.h"
#include "world_time_table.h"

namespace hodra {
namespace {

constexpr uid_t kNobody = 65534;

TEST(Faults, ReadOnlyProfileDirectoryIsReportedAndNothingBreaks) {
    test::TempDir dir;
    const QString locked = dir.Path("locked");
    QDir().mkpath(locked);
    {
        QSettings before(locked + "/Hodra2.conf", QSettings::IniFormat);
        before.setValue("Hodra/AutoConDuration", 77);
    }
    chmod(dir.StdPath().c_str(), 0755);
    chmod(locked.toLocal8Bit().constData(), 0555);
    chmod((locked + "/Hodra2.conf").toLocal8Bit().constData(), 0444);
    // As root nothing is read-only, so the saving happens as an ordinary user.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (setgid(kNobody) != 0 || setuid(kNobody) != 0) {
            _exit(10);
        }
        SettingsStore store(locked + "/Hodra2.conf");
        Settings s;
        store.Load(s);
        if (s.AutoConDuration != 77) {
            _exit(11);
        }
        s.AutoConDuration = 5;
        const int fd = open("/dev/null", O_WRONLY);
        dup2(fd, 2);  // the one-line report
        _exit(store.SaveOptions(s) ? 12 : store.SaveState(s, true) ? 13 : 0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10: no ordinary user, 11: load, 12/13: a save claimed success";
    QSettings after(locked + "/Hodra2.conf", QSettings::IniFormat);
    EXPECT_EQ(after.value("Hodra/AutoConDuration").toInt(), 77) << "the old profile is intact";
    chmod(locked.toLocal8Bit().constData(), 0755);
}

class FaultyFiles : public ::testing::Test, public test::WindowFixture {};

TEST_F(FaultyFiles, UnwritableLogStillSynchronises) {
    QDir().mkpath(dir.Path("HodraLog.txt"));  // a directory where the log should be
    ResultLog blocked(dir.StdPath("HodraLog.txt"));
    SyncOperation op(counting, &setter, blocked);
    ::testing::internal::CaptureStderr();
    const SyncOutcome out = op.Run({true, {server.Address(), "127.0.0.1:9"}, true, true});
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(out.message, "한국표준시에 동기되었습니다.");
    EXPECT_TRUE(out.clockSet);
    EXPECT_NE(err.find("HodraLog.txt"), std::string::npos);
}

TEST_F(FaultyFiles, UnreadableOrGarbageHelpAndTable) {
    QDir().mkpath(dir.Path("dir.hlp"));
    EXPECT_EQ(InfoDialog::HelpText(dir.Path("dir.hlp")), "도움말 파일을 읽을 수가 없습니다");
    std::mt19937 random(7);
    QByteArray garbage(20000, '\0');
    for (char& c : garbage) {
        c = static_cast<char>(random());
    }
    QFile junk(dir.Path("junk.bin"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(garbage);
    junk.close();
    const QString shown = InfoDialog::HelpText(dir.Path("junk.bin"));
    EXPECT_FALSE(shown.isEmpty());
    EXPECT_LE(shown.size(), 10240);

    WorldTimeTable table;
    {
        test::ModalWatcher watcher;
        WorldTimeDialog unreadable(table, settings, state, nullptr, {}, [this] { return dir.StdPath("dir.hlp"); });
        EXPECT_EQ(watcher.texts, QStringList{"시간표 파일이 없습니다"});
        EXPECT_EQ(unreadable.tree()->topLevelItemCount(), 0);
    }
    test::ModalWatcher none;
    WorldTimeDialog binary(table, settings, state, nullptr, {}, [this] { return dir.StdPath("junk.bin"); });
    EXPECT_TRUE(none.texts.isEmpty());
    EXPECT_LE(table.size(), WorldTimeTable::kCapacity);
    binary.searchEdit()->setText("x");
    binary.FindRegion();  // no crash on whatever came out of the garbage
}

bool WholeSet(const QString& profile, const QStringList& keys, const std::map<QString, QString>& a,
              const std::map<QString, QString>& b, bool allowMissing) {
    QSettings raw(profile, QSettings::IniFormat);
    bool isA = true;
    bool isB = true;
    bool anyMissing = false;
    for (const QString& key : keys) {
        const QVariant v = raw.value("Hodra/" + key);
        if (!v.isValid()) {
            anyMissing = true;
            continue;
        }
        isA = isA && a.at(key) == v.toString();
        isB = isB && b.at(key) == v.toString();
    }
    return anyMissing ? allowMissing : (isA || isB);
}

std::map<QString, QString> Expected(bool second, const QStringList& keys, bool state) {
    Settings s;
    test::ApplyOptionSet(s, second);
    test::ApplyStateSet(s, second);
    test::TempDir dir;
    SettingsStore store(dir.Path("x.conf"));
    state ? store.SaveState(s, false) : store.SaveOptions(s);
    QSettings raw(dir.Path("x.conf"), QSettings::IniFormat);
    std::map<QString, QString> values;
    for (const QString& key : keys) {
        values[key] = raw.value("Hodra/" + key).toString();
    }
    return values;
}

TEST(Faults, KilledDuringSheetAndWindowClosesLeavesWholeProfiles) {
    test::TempDir dir;
    const QString profile = dir.Path("Hodra2.conf");
    const QStringList options = {"AutoCon", "AutoConDuration", "AutoCompare", "Beep", "SCR", "TxtColor", "BgColor",
                                 "TxtColor2", "BgColor2", "Blink", "Log", "Top", "Small", "Small2"};
    const QStringList state = {"LastCon", "LastDiff", "ServerID"};
    const auto optionsA = Expected(false, options, false), optionsB = Expected(true, options, false);
    const auto stateA = Expected(false, state, true), stateB = Expected(true, state, true);
    std::mt19937 random(1208);
    int closes = 0;
    int kills = 0;
    while (closes < 1000 && kills < 400) {
        int out[2];
        ASSERT_EQ(pipe(out), 0);
        const pid_t child = fork();
        if (child == 0) {
            dup2(out[1], 1);
            close(out[0]);
            execl(HODRA_PROFILE_CHURN, HODRA_PROFILE_CHURN, profile.toLocal8Bit().constData(), nullptr);
            _exit(127);
        }
        close(out[1]);
        fcntl(out[0], F_SETFL, O_NONBLOCK);
        usleep(20000 + random() % 400000);
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        char buffer[65536];
        ssize_t n = 0;
        while ((n = read(out[0], buffer, sizeof buffer)) > 0) {
            closes += static_cast<int>(std::count(buffer, buffer + n, '\n'));
        }
        close(out[0]);
        ++kills;
        ASSERT_TRUE(WholeSet(profile, options, optionsA, optionsB, kills == 1 && closes == 0))
            << "options mixed after kill " << kills;
        ASSERT_TRUE(WholeSet(profile, state, stateA, stateB, closes == 0)) << "state mixed after kill " << kills;
        Settings loaded;
        SettingsStore(profile).Load(loaded);
    }
    EXPECT_GE(closes, 1000) << "after " << kills << " kills";
    std::printf("closes %d, kills %d\n", closes, kills);
}

TEST(Faults, ConcurrentLogAppendsNeverTearALine) {
    test::TempDir dir;
    const std::string path = dir.StdPath("HodraLog.txt");
    constexpr int kLines = 20000;
    pid_t writers[2];
    for (int w = 0; w < 2; ++w) {
        writers[w] = fork();
        if (writers[w] == 0) {
            ResultLog log(path);
            for (int i = 0; i < kLines; ++i) {
                log.Append(1800000000 + i, w == 0 ? -1.5 : 123456.789);
            }
            _exit(0);
        }
    }
    for (pid_t w : writers) {
        waitpid(w, nullptr, 0);
    }
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.size(), 2 * kLines);
    const QRegularExpression whole("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d (1\\.500|-123456\\.789)$");
    int torn = 0;
    for (const QString& line : lines) {
        torn += !whole.match(line).hasMatch();
    }
    EXPECT_EQ(torn, 0);
}

}  // namespace
}  // namespace hodra
