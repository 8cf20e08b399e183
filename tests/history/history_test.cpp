// The history of runs: its lines, its file (appends, the trim, damage, a kill during the
// trim) and the window that draws it.
#include <gtest/gtest.h>

#include <QTest>
#include <QTreeWidget>
#include <QtCharts/QChart>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
#include <csignal>
#include <cstring>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "history_window.h"
#include "read_file.h"
#include "run_history.h"
#include "temp_dir.h"

namespace hodra {
namespace {

constexpr std::int64_t kNoon = 1796785200000;  // 2026-12-09 03:00:00 UTC

RunRecord Runs(int n, const char* outcome = "compared") {
    RunRecord r;
    r.utcMs = kNoon + n * 60000LL;
    r.outcome = outcome;
    r.server = "time.example:123";
    r.address = "2001:db8::7";
    if (std::string(outcome) != "no-answer") {
        r.offset = n;  // the run's number, so that order and loss show
        r.delay = 0.001;
        r.stratum = 2;
    }
    if (std::string(outcome) == "set") {
        r.synchronise = true;
        r.step = n;
    }
    return r;
}

std::vector<int> Numbers(const std::vector<RunRecord>& records) {
    std::vector<int> n;
    for (const RunRecord& r : records) {
        n.push_back(r.offset ? static_cast<int>(*r.offset) : -1);
    }
    return n;
}

TEST(RunRecords, ALineSaysEverythingOnceAndDamageIsSkipped) {
    RunRecord set = Runs(7, "set");
    set.automatic = true;
    set.authenticated = true;
    const std::string line = FormatRecord(set);
    EXPECT_EQ(line,
              "2026-12-09T03:07:00.000Z\tsync\tauto\tset\ttime.example:123\t2001:db8::7\t+7.000000000\t"
              "0.001000000\t2\tnts\t+7.000000000\n");
    const auto back = ParseRecord(line.substr(0, line.size() - 1));
    ASSERT_TRUE(back);
    EXPECT_EQ(FormatRecord(*back), line);
    const auto silent = ParseRecord(FormatRecord(Runs(1, "no-answer")).substr(0, 60));
    EXPECT_FALSE(silent) << "cut short";
    const std::string none = FormatRecord(Runs(1, "no-answer"));
    EXPECT_FALSE(ParseRecord(none.substr(0, none.size() - 1))->Answered());
    for (const char* damaged : {"", "garbage", "2026-12-09T03:07:00.000Z\tsync",
                                "2026-13-09T03:07:00.000Z\tsync\tauto\tset\t\t\t\t\t0\tnone\t",
                                "2026-12-09T03:07:00.000Z\tsync\tauto\tblown-up\t\t\t\t\t0\tnone\t",
                                "2026-12-09T03:07:00.000Z\tsync\tauto\tset\t\t\tx\t\t0\tnone\t"}) {
        EXPECT_FALSE(ParseRecord(damaged)) << damaged;
    }
    test::TempDir dir;
    const std::string path = dir.StdPath("history.tsv");
    std::ofstream(path) << FormatRecord(Runs(1)) << "garbage\n" << FormatRecord(Runs(2)) << "2026-12-09T03:0";
    RunHistory history(path);
    EXPECT_EQ(Numbers(history.Read()), (std::vector<int>{1, 2})) << "damaged and cut-short lines are skipped";
    EXPECT_EQ(Numbers({*history.Last()}), std::vector<int>{2});
}

TEST(RunHistoryFile, AppendsInAPrivateDirectoryAndTrimsToTheLastRuns) {
    test::TempDir dir;
    RunHistory history(dir.StdPath("state/hodra2/history.tsv"), 20);
    for (int n = 1; n <= 22; ++n) {
        ASSERT_TRUE(history.Append(Runs(n)));
    }
    EXPECT_EQ(history.Read().size(), 20u) << "reading gives the last 20 even before a trim";
    const std::string untrimmed = test::ReadFile(history.Path());
    EXPECT_EQ(std::count(untrimmed.begin(), untrimmed.end(), '\n'), 22) << "no trim yet";
    struct stat before {};
    ASSERT_EQ(stat(history.Path().c_str(), &before), 0);
    // What a trim killed half-way leaves behind: its new file, unfinished.
    std::ofstream(history.Path() + ".new") << FormatRecord(Runs(99)).substr(0, 30);
    ASSERT_TRUE(history.Append(Runs(23)));
    struct stat after {};
    ASSERT_EQ(stat(history.Path().c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino) << "the trim replaces the file whole, it never rewrites it in place";
    std::vector<int> expected;
    for (int n = 4; n <= 23; ++n) {
        expected.push_back(n);
    }
    EXPECT_EQ(Numbers(history.Read()), expected) << "past a tenth more, the file holds the last 20";
    struct stat s {};
    ASSERT_EQ(stat(dir.StdPath("state/hodra2").c_str(), &s), 0);
    EXPECT_EQ(s.st_mode & 0777, 0700u);
    ASSERT_EQ(stat(history.Path().c_str(), &s), 0);
    EXPECT_EQ(s.st_mode & 0777, 0600u);
    EXPECT_NE(access((history.Path() + ".new").c_str(), F_OK), 0) << "nothing left behind";
}

// A disk that fills up takes part of a line: that part is taken back, so the next run's
// line stands on its own instead of joining a torn one (the limit stands in for the disk).
TEST(RunHistoryFile, APartlyWrittenLineIsTakenBack) {
    test::TempDir dir;
    RunHistory history(dir.StdPath("history.tsv"));
    ASSERT_TRUE(history.Append(Runs(1)));
    const std::string whole = test::ReadFile(history.Path());
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit room{whole.size() + 20, whole.size() + 20};
        setrlimit(RLIMIT_FSIZE, &room);
        _exit(history.Append(Runs(2)) ? 1 : 0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(status, 0) << "the short write fails the append";
    EXPECT_EQ(test::ReadFile(history.Path()), whole);
    ASSERT_TRUE(history.Append(Runs(3)));
    EXPECT_EQ(Numbers(history.Read()), (std::vector<int>{1, 3}));
}

// Peak and present memory of this process, kB.
long MemoryKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) {
            return std::stol(line.substr(std::strlen(field)));
        }
    }
    return -1;
}

// A crash may leave the file ending inside a line (here inside the last number), and
// anything may leave a line of any length: the next record starts a line of its own, the
// damaged line is skipped, and a long one is passed over without being held whole.
TEST(RunHistoryFile, AnAppendAfterAPartLineStandsAloneAndALongLineIsNotHeld) {
    test::TempDir dir;
    const std::string path = dir.StdPath("history.tsv");
    const std::string cut = FormatRecord(Runs(2, "set"));
    std::ofstream(path) << FormatRecord(Runs(1)) << std::string(10 << 20, 'x') << '\n' << cut.substr(0, cut.size() - 4);
    RunHistory history(path);
    ASSERT_TRUE(history.Append(Runs(3)));
    std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts again from here
    const long before = MemoryKb("VmRSS:");
    EXPECT_EQ(Numbers(history.Read()), (std::vector<int>{1, 3}));
    EXPECT_LT(MemoryKb("VmHWM:") - before, 4096) << "the 10 MB line was held to be read";
    EXPECT_EQ(Numbers({*history.Last()}), std::vector<int>{3});
}

// A child appends runs 1, 2, 3 ... and trims as it goes; killed at any moment, it leaves a
// file of whole lines whose runs follow each other without a gap or a repeat.
TEST(RunHistoryFile, AKillDuringTheTrimLeavesTheOldFileOrTheNewWhole) {
    test::TempDir dir;
    const std::string path = dir.StdPath("history.tsv");
    for (int round = 0; round < 25; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            RunHistory history(path, 200);
            for (int n = 1;; ++n) {
                history.Append(Runs(n));
            }
        }
        // Killed after a few more trims each round (the first run kept moves on), at once
        // in the first: at whatever point of an append or a trim the child then is.
        const int moved = round * 30;
        while (round > 0) {
            const auto kept = RunHistory(path, 100000).Read();
            if (!kept.empty() && kept.front().offset && *kept.front().offset >= moved) {
                break;
            }
        }
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        const std::string text = test::ReadFile(path);
        std::vector<int> numbers = Numbers(RunHistory(path, 100000).Read());
        ASSERT_TRUE(round == 0 || !numbers.empty()) << "every run lost, round " << round;
        ASSERT_EQ(std::count(text.begin(), text.end(), '\n'), static_cast<long>(numbers.size()))
            << "a line is not whole, round " << round;
        for (std::size_t i = 1; i < numbers.size(); ++i) {
            ASSERT_EQ(numbers[i], numbers[i - 1] + 1) << "a run lost or repeated, round " << round;
        }
        unlink(path.c_str());
    }
}

TEST(HistoryView, PointsByOutcomeAStepMarkAndTheNewestRunFirst) {
    const QDateTime now = QDateTime::fromMSecsSinceEpoch(kNoon + 3600000);
    std::vector<RunRecord> runs = {Runs(-3000), Runs(1), Runs(2, "set"), Runs(3, "no-answer"), Runs(4, "too-large")};
    runs[0].utcMs = kNoon - 3LL * 86400000;  // three days before: in the week, not in the day
    HistoryWindow window;
    window.SetRecords(runs, now);
    window.ShowSpan(HistoryWindow::Span::Day);
    std::map<QString, int> points;
    int marks = 0;
    for (QAbstractSeries* s : window.chart()->series()) {
        if (auto* scatter = qobject_cast<QScatterSeries*>(s)) {
            points[scatter->name()] = static_cast<int>(scatter->count());
        } else if (qobject_cast<QLineSeries*>(s) != nullptr) {
            ++marks;
        }
    }
    EXPECT_EQ(points, (std::map<QString, int>{{"비교", 1}, {"동기", 1}, {"맞추지 않음", 1}, {"응답 없음", 1}}));
    EXPECT_EQ(marks, 1) << "the one step";
    ASSERT_EQ(window.list()->topLevelItemCount(), 4);
    EXPECT_EQ(window.list()->topLevelItem(0)->text(3), "차이가 큼") << "newest first";
    EXPECT_EQ(window.list()->topLevelItem(3)->text(4), "+1.000");
    window.ShowSpan(HistoryWindow::Span::Week);
    EXPECT_EQ(window.list()->topLevelItemCount(), 5);
    EXPECT_EQ(window.windowTitle(), "기록");

    // Narrowed, the time axis keeps fewer labels rather than cutting each one short.
    window.resize(760, 560);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    auto* time = qobject_cast<QDateTimeAxis*>(window.chart()->axes(Qt::Horizontal).front());
    const int wide = time->tickCount();
    window.resize(320, 560);
    EXPECT_TRUE(QTest::qWaitFor([&] { return time->tickCount() < wide; }, 60000));
    EXPECT_GE(time->tickCount(), 2);
}

}  // namespace
}  // namespace hodra
