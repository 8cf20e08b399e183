#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>
#include <QStringList>
#include <QDir>
#include <csignal>
#include <fstream>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

#include "build_info.h"
#include "settings/deployment.h"
#include "profile_sets.h"
#include "settings/settings_store.h"
#include "temp_dir.h"

namespace hodra {
namespace {

const QStringList kOptionKeys = {"AutoCon",   "AutoConDuration", "AutoCompare", "Beep", "SCR", "TxtColor", "BgColor",
                                 "TxtColor2", "BgColor2",        "Blink",       "Log",  "Top", "Small",    "Small2"};

class Profile : public ::testing::Test {
protected:
    QString path() const { return dir.Path("Hodra2.conf"); }

    void Put(const QString& key, const QVariant& value) {
        QSettings raw(path(), QSettings::IniFormat);
        raw.setValue("Hodra/" + key, value);
    }
    QVariant Stored(const QString& key) const {
        QSettings raw(path(), QSettings::IniFormat);
        return raw.value("Hodra/" + key);
    }
    Settings Loaded() {
        Settings s;
        s.AutoCon = false;  // anything but the defaults, to see that load replaces it
        s.ServerID = 99;
        SettingsStore store(path());
        store.Load(s);
        return s;
    }

    test::TempDir dir;
};

TEST_F(Profile, EmptyProfileGivesTheDefaultsAndTheFirstSaveWritesAllOptions) {
    EXPECT_EQ(Loaded(), Settings{});
    const Settings d;
    EXPECT_TRUE(d.AutoCon && d.AutoCompare && d.SCR && d.Blink && d.Top);
    EXPECT_FALSE(d.Beep || d.Log || d.Small || d.Small2);
    EXPECT_EQ(d.AutoConDuration, 60);
    EXPECT_EQ(d.TxtColor, 0x0000FF00u);
    EXPECT_EQ(d.TxtColor2, 0x0000FFFFu);
    EXPECT_EQ(d.BgColor2, 0x00808080u);

    SettingsStore store(path());
    ASSERT_TRUE(store.SaveOptions(Settings{}));
    QSettings raw(path(), QSettings::IniFormat);
    raw.beginGroup("Hodra");
    QStringList written = raw.childKeys();
    written.sort();
    QStringList expected = kOptionKeys;
    expected.sort();
    EXPECT_EQ(written, expected);
    EXPECT_EQ(raw.value("AutoConDuration").toInt(), 60);
    EXPECT_EQ(raw.value("TxtColor").toInt(), 0x0000FF00);
}

TEST_F(Profile, FlagsLoadOnForAnyNonZeroValueAndSaveAsOne) {
    Put("Beep", 7);
    Put("Log", -1);
    Put("Top", 0);
    Settings s = Loaded();
    EXPECT_TRUE(s.Beep);
    EXPECT_TRUE(s.Log);
    EXPECT_FALSE(s.Top);
    SettingsStore store(path());
    ASSERT_TRUE(store.SaveOptions(s));
    EXPECT_EQ(Stored("Beep").toString(), "1");
    EXPECT_EQ(Stored("Log").toString(), "1");
    EXPECT_EQ(Stored("Top").toString(), "0");
}

TEST_F(Profile, LastDiffIsTheNearestMillisecondSoALoadAndASaveChangeNothing) {
    SettingsStore store(path());
    for (const int ms : {-250, 1048571, -1048571, 999, 2147483647}) {
        Put("LastDiff", ms);
        Settings s = Loaded();
        EXPECT_DOUBLE_EQ(s.LastDiff, ms * 0.001);
        for (int restart = 0; restart < 3; ++restart) {
            ASSERT_TRUE(store.SaveState(s, false));
            s = Loaded();
        }
        EXPECT_EQ(Stored("LastDiff").toInt(), ms) << "drifted over three restarts";
    }
    Settings s = Loaded();
    for (const double tiny : {0.0004, -0.0004}) {
        s.LastDiff = tiny;
        ASSERT_TRUE(store.SaveState(s, false));
        EXPECT_EQ(Stored("LastDiff").toString(), "0") << tiny;
    }
    s.LastDiff = 5.2509;
    ASSERT_TRUE(store.SaveState(s, false));
    EXPECT_EQ(Stored("LastDiff").toString(), "5251");
    // A correction beyond the 32-bit range of milliseconds is held at its end.
    s.LastDiff = -1e10;
    ASSERT_TRUE(store.SaveState(s, false));
    EXPECT_EQ(Stored("LastDiff").toString(), "-2147483648");
}

TEST_F(Profile, GarbageAndOutOfRangeValuesLoadAsDefaults) {
    Put("AutoCon", "yes");
    Put("AutoCompare", "");
    Put("Beep", "1.5");
    Put("TxtColor", "4294967296");  // beyond 32 bits
    Put("BgColor", "-2147483649");
    Put("TxtColor2", 255);  // 0x000000FF: red
    Put("ServerID", "9223372036854775807");
    Put("Hodra_X", " 17 ");
    Settings s = Loaded();
    const Settings d;
    EXPECT_EQ(s.AutoCon, d.AutoCon);
    EXPECT_EQ(s.AutoCompare, d.AutoCompare);
    EXPECT_EQ(s.Beep, d.Beep);
    EXPECT_EQ(s.TxtColor, d.TxtColor);
    EXPECT_EQ(s.BgColor, d.BgColor);
    EXPECT_EQ(s.TxtColor2, 0x000000FFu);
    EXPECT_EQ(s.ServerID, d.ServerID);
    SettingsStore store(path());
    store.LoadWindowPosition(s);
    EXPECT_EQ(s.Hodra_X, 17);
}

TEST_F(Profile, IntervalOutsideTheAcceptedRangeLoadsAsSixty) {
    for (const char* stored : {"0", "-5", "144001", "2147483647"}) {
        Put("AutoConDuration", stored);
        EXPECT_EQ(Loaded().AutoConDuration, 60) << stored;
    }
    for (const int accepted : {1, 144000}) {
        Put("AutoConDuration", accepted);
        EXPECT_EQ(Loaded().AutoConDuration, accepted);
    }
}

TEST_F(Profile, LastConIsAnUnsigned32BitCount) {
    Settings s;
    s.LastCon = 4102444800;  // 2100-01-01, past the signed 32-bit range
    SettingsStore store(path());
    ASSERT_TRUE(store.SaveState(s, false));
    EXPECT_EQ(Stored("LastCon").toString(), "4102444800");
    EXPECT_EQ(Loaded().LastCon, 4102444800);
    Put("LastCon", "4294967296");
    EXPECT_EQ(Loaded().LastCon, 0);
    Put("LastCon", "-1");
    EXPECT_EQ(Loaded().LastCon, 0);
}

TEST_F(Profile, StateSavesWorldTimePositionOnlyWhenTheDialogWasCreated) {
    Settings s;
    s.WorldTime_X = 300;
    s.WorldTime_Y = -40;  // off-screen positions are kept as they are
    s.Hodra_X = 10;
    s.Hodra_Y = 20;
    s.ServerID = 2;
    SettingsStore store(path());
    ASSERT_TRUE(store.SaveState(s, false));
    EXPECT_FALSE(Stored("WorldTime_X").isValid());
    EXPECT_EQ(Stored("ServerID").toInt(), 2);
    ASSERT_TRUE(store.SaveState(s, true));
    Settings back;
    store.LoadWorldTimePosition(back);
    store.LoadWindowPosition(back);
    EXPECT_EQ(back.WorldTime_X, 300);
    EXPECT_EQ(back.WorldTime_Y, -40);
    EXPECT_EQ(back.Hodra_X, 10);
    EXPECT_EQ(back.Hodra_Y, 20);
}

TEST_F(Profile, WriteFailureIsReportedNotFatal) {
    QFile blocker(dir.Path("not-a-directory"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SettingsStore store(dir.Path("not-a-directory/Hodra2.conf"));
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(store.SaveOptions(Settings{}));
    EXPECT_FALSE(store.SaveState(Settings{}, true));
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("설정(options)을 저장할 수 없습니다"), std::string::npos) << err;
    Settings s;
    store.Load(s);
    EXPECT_EQ(s, Settings{});
}

Settings OptionSet(bool second) {
    Settings s;
    test::ApplyOptionSet(s, second);
    return s;
}

bool SameOptions(const Settings& a, const Settings& b) {
    Settings x = a;
    Settings y = b;
    x.LastCon = y.LastCon = 0;
    x.LastDiff = y.LastDiff = 0;
    x.ServerID = y.ServerID = 0;
    return x == y;
}

TEST_F(Profile, KilledWhileSavingLeavesAWholeOldOrNewProfile) {
    {
        SettingsStore store(path());
        ASSERT_TRUE(store.SaveOptions(OptionSet(false)));
    }
    std::mt19937 random(12345);
    int sawFirst = 0;
    int sawSecond = 0;
    for (int round = 0; round < 25; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            SettingsStore store(path());
            for (unsigned i = 0;; ++i) {
                store.SaveOptions(OptionSet(i % 2 == 0));
            }
        }
        usleep(2000 + random() % 30000);
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);

        Settings loaded;
        SettingsStore store(path());
        store.Load(loaded);
        const bool first = SameOptions(loaded, OptionSet(false));
        const bool second = SameOptions(loaded, OptionSet(true));
        ASSERT_TRUE(first || second) << "round " << round << ": a mixed or partial profile";
        sawFirst += first;
        sawSecond += second;
    }
    EXPECT_GT(sawFirst + sawSecond, 0);
}

TEST(Deployment, SystemFilesOverrideEachValueInOrderAndDefaultsFillTheRest) {
    test::TempDir dir;
    const Deployment none = ReadDeployment({dir.StdPath() + "/missing.conf"});
    EXPECT_EQ(none.primaryHost, kDefaultPrimaryHost);
    EXPECT_EQ(none.secondaryHost, kDefaultSecondaryHost);
    EXPECT_FALSE(none.webPage.empty());
    QDir().mkpath(dir.Path("first/Hodra Client V2.0"));
    QDir().mkpath(dir.Path("second/Hodra Client V2.0"));
    {
        // Written the way QSettings writes it, so both readers agree on the format.
        QSettings first(dir.Path("first/Hodra Client V2.0/Hodra2.conf"), QSettings::IniFormat);
        first.setValue("Deployment/PrimaryHost", "127.0.0.1:12300");
        first.setValue("Deployment/WebPage", "http://127.0.0.1:8080/a b;c,d");
        first.setValue("Other/SecondaryHost", "not this group");
        QSettings second(dir.Path("second/Hodra Client V2.0/Hodra2.conf"), QSettings::IniFormat);
        second.setValue("Deployment/PrimaryHost", "later files lose");
        second.setValue("Deployment/SecondaryHost", "192.0.2.10:123");
        second.setValue("Deployment/MaxStep", "600");
    }
    const std::string dirs = dir.StdPath() + "/first::" + dir.StdPath() + "/second";
    const Deployment some = ReadDeployment(SystemDeploymentFiles(dirs.c_str()));
    EXPECT_EQ(some.primaryHost, "127.0.0.1:12300");
    EXPECT_EQ(some.secondaryHost, "192.0.2.10:123");
    EXPECT_EQ(some.webPage, "http://127.0.0.1:8080/a b;c,d");
    EXPECT_EQ(none.maxStep, 1000.0);
    EXPECT_EQ(some.maxStep, 600.0);
    EXPECT_FALSE(some.ignoredMaxStep.has_value());
    // Whole seconds, 0 (no limit) or 1 to 10^9; any other spelling keeps the default rather
    // than lifting or tightening it by a guess, and is kept to be reported.
    const auto maxStepOf = [&](const char* written) {
        std::ofstream(dir.StdPath("first/Hodra Client V2.0/Hodra2.conf"))
            << "[Deployment]\nMaxStep=" << written << "\n";
        return ReadDeployment(SystemDeploymentFiles(dirs.c_str()));
    };
    for (const char* bad : {"-5", "-0", "1e-300", "0.5", "1000.0", "inf", "nan", "0x10", "10 s", "1,000", "1 000",
                            "1000000001", "99999999999999999999", "lots"}) {
        const Deployment read = maxStepOf(bad);
        EXPECT_EQ(read.maxStep, 1000.0) << bad;
        EXPECT_EQ(read.ignoredMaxStep, std::optional<std::string>(bad)) << bad;
    }
    EXPECT_EQ(maxStepOf("0").maxStep, 0.0) << "0: no limit";
    EXPECT_EQ(maxStepOf("1000000000").maxStep, 1e9);
    // An editor's UTF-8 byte-order mark before the group does not hide it.
    std::ofstream(dir.StdPath("first/Hodra Client V2.0/Hodra2.conf"))
        << "\xEF\xBB\xBF[Deployment]\nPrimaryHost=bom.example\n";
    EXPECT_EQ(ReadDeployment(SystemDeploymentFiles(dirs.c_str())).primaryHost, "bom.example");
    EXPECT_EQ(SystemDeploymentFiles(""), SystemDeploymentFiles(nullptr));
    EXPECT_EQ(SystemDeploymentFiles(nullptr).front(), "/etc/xdg/Hodra Client V2.0/Hodra2.conf");
}

// The administrator's file counts only when no one but root could have written it.
TEST(Deployment, AdministratorFileIsTrustedOnlyWhenRootAloneCanChangeIt) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to own and give away the test files";
    }
    char base[] = "/tmp/hodra-admin-XXXXXX";
    ASSERT_NE(mkdtemp(base), nullptr);
    chmod(base, 0755);
    const std::string file = std::string(base) + "/Hodra2.conf";
    {
        std::ofstream out(file);
        out << "[Deployment]\nPrimaryHost=10.1.2.3\n";
    }
    chmod(file.c_str(), 0644);
    using Verdict = AdministratorDeployment::Verdict;
    const AdministratorDeployment trusted = ReadAdministratorDeployment(file);
    EXPECT_EQ(trusted.verdict, Verdict::Trusted) << trusted.reason;
    EXPECT_EQ(trusted.values.primaryHost, "10.1.2.3");
    EXPECT_EQ(trusted.values.secondaryHost, kDefaultSecondaryHost);
    // root:root 0644, but an access list lets nobody write it.
    const unsigned char acl[] = {2,    0, 0, 0,                           // version
                                 1,    0, 6, 0, 0xff, 0xff, 0xff, 0xff,   // owner rw
                                 2,    0, 6, 0, 0xfe, 0xff, 0,    0,      // user 65534 rw
                                 4,    0, 4, 0, 0xff, 0xff, 0xff, 0xff,   // group r
                                 0x10, 0, 6, 0, 0xff, 0xff, 0xff, 0xff,   // mask rw
                                 0x20, 0, 4, 0, 0xff, 0xff, 0xff, 0xff};  // others r
    if (setxattr(file.c_str(), "system.posix_acl_access", acl, sizeof acl, 0) == 0) {
        EXPECT_EQ(ReadAdministratorDeployment(file).verdict, Verdict::Refused) << "an access list grants a user";
        removexattr(file.c_str(), "system.posix_acl_access");
        chmod(file.c_str(), 0644);
        EXPECT_EQ(ReadAdministratorDeployment(file).verdict, Verdict::Trusted);
    }
    chmod(file.c_str(), 0666);
    const AdministratorDeployment writable = ReadAdministratorDeployment(file);
    EXPECT_EQ(writable.verdict, Verdict::Refused);
    EXPECT_EQ(writable.values.primaryHost, kDefaultPrimaryHost) << "nothing of a refused file is used";
    // A trust file for nts:// servers: the same rules with a capability borrowed under AT_SECURE, none without;
    // and under either, a file that names no certificate (empty, or not a PEM file at all)
    // is refused, naming the file, never read as "the system's store".
    std::ofstream(file) << "-----BEGIN CERTIFICATE-----\nMIIB\n-----END CERTIFICATE-----\n";
    EXPECT_FALSE(ReadTrustedCertificates(file, true).trusted);
    EXPECT_EQ(ReadTrustedCertificates(file, true).text, "");
    EXPECT_TRUE(ReadTrustedCertificates(file, false).trusted);
    chmod(file.c_str(), 0644);
    EXPECT_TRUE(ReadTrustedCertificates(file, true).trusted);
    for (const char* content : {"", "[Deployment]\nPrimaryHost=10.1.2.3\n"}) {
        std::ofstream(file) << content;
        for (const bool administrators : {true, false}) {
            const AdministratorFile nothing = ReadTrustedCertificates(file, administrators);
            EXPECT_FALSE(nothing.trusted) << '"' << content << '"';
            EXPECT_EQ(nothing.reason, file + ": 인증서가 하나도 없습니다");
        }
    }
    std::ofstream(file) << "[Deployment]\nPrimaryHost=10.1.2.3\n";
    ASSERT_EQ(chown(file.c_str(), 65534, 65534), 0);
    EXPECT_EQ(ReadAdministratorDeployment(file).verdict, Verdict::Refused) << "owned by nobody";
    ASSERT_EQ(chown(file.c_str(), 0, 0), 0);
    const std::string link = std::string(base) + "/link.conf";
    ASSERT_EQ(symlink(file.c_str(), link.c_str()), 0);
    EXPECT_EQ(ReadAdministratorDeployment(link).verdict, Verdict::Refused) << "a symbolic link";
    EXPECT_EQ(ReadAdministratorDeployment(std::string(base) + "/none.conf").verdict, Verdict::Absent);
    EXPECT_EQ(ReadAdministratorDeployment("relative.conf").verdict, Verdict::Refused);
    // A user who can write the directory could swap the file.
    chmod(base, 0777);
    EXPECT_EQ(ReadAdministratorDeployment(file).verdict, Verdict::Refused) << "a world-writable directory";
    unlink(link.c_str());
    unlink(file.c_str());
    rmdir(base);
}

}  // namespace
}  // namespace hodra
