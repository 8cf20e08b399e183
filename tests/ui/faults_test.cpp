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
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ui/info_dialog.h"
#include "ui/message_label.h"
#include "modal_watcher.h"
#include "profile_sets.h"
#include "sync/result_log.h"
#include "settings/settings_store.h"
#include "window_fixture.h"
#include "worldtime/world_time_dialog.h"
#include "worldtime/world_time_table.h"

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
    Profile("AutoCompare", 0);
    Profile("Log", 1);
    MainClockWindow& w = Open();
    ::testing::internal::CaptureStderr();
    w.OnSync();
    ASSERT_TRUE(WaitIdle());
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(w.message()->text(), "한국표준시에 동기되었습니다.");
    EXPECT_EQ(driver.steps.size(), 1u);
    EXPECT_GT(settings.LastCon, 0);
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

// Every key of a set holds the first values or every key the second; a profile never
// written at all holds none of them.
bool WholeSet(const QString& profile, const QStringList& keys, const std::map<QString, QString>& a,
              const std::map<QString, QString>& b) {
    QSettings raw(profile, QSettings::IniFormat);
    bool isA = true;
    bool isB = true;
    int missing = 0;
    for (const QString& key : keys) {
        const QVariant v = raw.value("Hodra/" + key);
        if (!v.isValid()) {
            ++missing;
            continue;
        }
        isA = isA && a.at(key) == v.toString();
        isB = isB && b.at(key) == v.toString();
    }
    return missing > 0 ? !QFile::exists(profile) : (isA || isB);
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

// Both cores kept busy for the length of a test, so that kills land in the slow moments a
// loaded machine has; the spinning processes end with the object (or with the test).
class BackgroundLoad {
public:
    explicit BackgroundLoad(int processes) {
        for (int i = 0; i < processes; ++i) {
            const pid_t p = fork();
            if (p == 0) {
                prctl(PR_SET_PDEATHSIG, SIGKILL);
                execl("/bin/sh", "sh", "-c", "while :; do :; done", static_cast<char*>(nullptr));
                _exit(127);
            }
            spinning.push_back(p);
        }
    }
    ~BackgroundLoad() {
        for (const pid_t p : spinning) {
            kill(p, SIGKILL);
            waitpid(p, nullptr, 0);
        }
    }

private:
    std::vector<pid_t> spinning;
};

// Reads the child's "closed N" lines until `wanted` more have come (or it ended).
int ReadCloses(int fd, int wanted) {
    int seen = 0;
    char c = 0;
    while (seen < wanted && read(fd, &c, 1) == 1) {
        seen += c == '\n';
    }
    return seen;
}

TEST(Faults, KilledDuringSheetAndWindowClosesUnderLoadLeavesWholeProfiles) {
    test::TempDir dir;
    const QString profile = dir.Path("Hodra2.conf");
    const QStringList options = {"AutoCon",   "AutoConDuration", "AutoCompare", "Beep", "SCR", "TxtColor", "BgColor",
                                 "TxtColor2", "BgColor2",        "Blink",       "Log",  "Top", "Small",    "Small2"};
    const QStringList state = {"LastCon", "LastDiff", "ServerID"};
    const auto optionsA = Expected(false, options, false), optionsB = Expected(true, options, false);
    const auto stateA = Expected(false, state, true), stateB = Expected(true, state, true);
    const BackgroundLoad load(2);
    std::mt19937 random(1208);
    constexpr int kKills = 250;
    int closes = 0;
    int waitedFor = 0;
    for (int kills = 1; kills <= kKills; ++kills) {
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
        // A few whole rounds first, whatever the machine's speed, then a kill at a random
        // moment of the saves that follow.
        const int wanted = static_cast<int>(random() % 3);
        waitedFor += wanted;
        closes += ReadCloses(out[0], wanted);
        usleep(static_cast<useconds_t>(random() % 40000));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        closes += ReadCloses(out[0], 1 << 30);
        close(out[0]);
        const auto shown = [&profile] {
            QFile f(profile);
            return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string("(no file)");
        };
        ASSERT_TRUE(WholeSet(profile, options, optionsA, optionsB)) << "options mixed after kill " << kills << ":\n"
                                                                    << shown();
        ASSERT_TRUE(WholeSet(profile, state, stateA, stateB)) << "state mixed after kill " << kills << ":\n" << shown();
        Settings loaded;
        SettingsStore(profile).Load(loaded);
    }
    EXPECT_GE(closes, waitedFor) << "the child ran its rounds";
    std::printf("kills %d under load, closes %d, none left a mixed or partial profile\n", kKills, closes);
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
