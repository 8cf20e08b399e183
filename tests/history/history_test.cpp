// The history of runs: its lines, its file (appends, the trim, damage, a kill during the
// trim) and the window that draws it.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QTest>
#include <QTreeWidget>
#include <map>
#include <csignal>
#include <cstring>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "history/history_chart.h"
#include "history/history_window.h"
#include "history/offset_chart.h"
#include "read_file.h"
#include "history/run_history.h"
#include "temp_dir.h"

namespace hodra {
namespace {

constexpr std::int64_t kNoon = 1796785200000;  // 2026-12-09 03:00:00 UTC

RunRecord Runs(int n, const char* outcome = "compared") {
    RunRecord r;
    r.utcMs = kNoon + n * 60000LL;
    r.result = *ResultOfWord(outcome);
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

std::map<MarkKind, int> RunsByKind(const ChartModel& model) {
    std::map<MarkKind, int> runs;
    for (const ChartMark& m : model.marks) {
        runs[m.kind] += m.runs;
    }
    return runs;
}

TEST(HistoryView, MarksByOutcomeTheNewestRunFirstAndEscapeCloses) {
    const QDateTime now = QDateTime::fromMSecsSinceEpoch(kNoon + 3600000);
    std::vector<RunRecord> runs = {Runs(-3000), Runs(1), Runs(2, "set"), Runs(3, "no-answer"), Runs(4, "too-large")};
    runs[0].utcMs = kNoon - 3LL * 86400000;  // three days before: in the week, not in the day
    runs[4].address = "2001:db8:85a3:8d3:1319:8a2e:370:7348";
    HistoryWindow window;
    window.SetRecords(runs, now);
    window.ShowSpan(HistoryWindow::Span::Day);
    const ChartModel& model = window.chart()->model();
    EXPECT_EQ(RunsByKind(model),
              (std::map<MarkKind, int>{
                  {MarkKind::Compared, 1}, {MarkKind::Set, 1}, {MarkKind::Refused, 1}, {MarkKind::Silent, 1}}));
    EXPECT_EQ(model.marks.back().kind, MarkKind::Compared) << "compare rings are drawn over the rest";
    ASSERT_EQ(window.list()->topLevelItemCount(), 4);
    EXPECT_EQ(window.list()->topLevelItem(0)->text(3), "차이가 큼") << "newest first";
    EXPECT_EQ(window.list()->topLevelItem(3)->text(2), "수동");
    EXPECT_EQ(window.list()->topLevelItem(3)->text(4), "+1.000");
    window.ShowSpan(HistoryWindow::Span::Week);
    EXPECT_EQ(window.list()->topLevelItemCount(), 5);
    EXPECT_EQ(window.windowTitle(), "Hodra2 기록");

    // At its usual size every column is in sight, the server cut short rather than scrolled to.
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_LE(window.list()->header()->length(), window.list()->viewport()->width());
    EXPECT_GE(window.list()->header()->sectionSize(9), 100) << "room for the server";
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}

// A week of hourly synchronisations, as automatic runs make them, with one run 1500 s off:
// the chart stays readable at the window's usual width.
TEST(HistoryView, AWeekOfHourlyRunsReadsAtAGlance) {
    const std::int64_t now = kNoon + 40 * 60000;  // 12:40 in Seoul, not on a round time
    std::vector<RunRecord> runs;
    for (int hour = 24 * 9; hour > 0; --hour) {
        RunRecord r = Runs(0, "set");
        r.utcMs = now - hour * 3600000LL;
        r.offset = r.step = 0.02 * ((hour * 7) % 5 - 2);  // -0.04 ... +0.04
        runs.push_back(r);
    }
    runs[runs.size() - 30].offset = 1500.0;
    HistoryWindow window;
    window.resize(760, 560);
    window.SetRecords(runs, QDateTime::fromMSecsSinceEpoch(now));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    OffsetChart& chart = *window.chart();
    const ChartModel& model = chart.model();
    EXPECT_EQ(model.toMs, now) << "the axis ends now";
    EXPECT_EQ(model.fromMs, now - 7 * 86400000LL);
    // A mark at most every kMarkSpacing pixels of the plot: 168 runs share about 100 marks,
    // each of two hours, none hiding another.
    const int bound = chart.plotArea().width() / kMarkSpacing + 1;
    EXPECT_LE(static_cast<int>(model.marks.size()), bound);
    EXPECT_LT(model.marks.size(), 168u);
    EXPECT_EQ(RunsByKind(model)[MarkKind::Set], 168);
    // The outlier sits on the top edge; the scale follows the other runs.
    EXPECT_LT(model.high, 1.0);
    EXPECT_GT(model.high, 0.04);
    const auto outlier =
        std::find_if(model.marks.begin(), model.marks.end(), [](const ChartMark& m) { return m.edge > 0; });
    ASSERT_NE(outlier, model.marks.end());
    EXPECT_TRUE(chart.MarkTextAt(chart.Place(*outlier).toPoint()).contains("+1500.000")) << "its value on hover";
    // Round days along the axis, each labelled with its date.
    ASSERT_GE(model.timeTicks.size(), 3u);
    for (const ChartTick& t : model.timeTicks) {
        const QDateTime at = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(t.at));
        EXPECT_EQ(at.time().msecsSinceStartOfDay() % 3600000, 0) << t.label.toStdString();
        if (at.time() == QTime(0, 0)) {
            EXPECT_EQ(t.label, QString("%1월 %2일").arg(at.date().month()).arg(at.date().day()));
        }
    }
    // The last day: round hours, and the date where it crosses midnight.
    window.ShowSpan(HistoryWindow::Span::Day);
    QStringList labels;
    for (const ChartTick& t : model.timeTicks) {
        labels << t.label;
        EXPECT_EQ(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(t.at)).time().minute(), 0);
    }
    EXPECT_TRUE(labels.contains(QDateTime::fromMSecsSinceEpoch(now).toString("M월 d일")))
        << labels.join(' ').toStdString();
    EXPECT_LE(model.marks.size(), 24u);
}

// Ten thousand hourly runs, the whole history: a mark per stretch of days, months along the
// axis (January with its year), every run counted once.
TEST(HistoryView, TenThousandRunsInTheWholeView) {
    const std::int64_t now = kNoon;
    std::vector<RunRecord> runs;
    for (int hour = 10000; hour > 0; --hour) {
        RunRecord r = hour % 10 == 0 ? Runs(0, "no-answer") : Runs(0, hour % 3 == 0 ? "compared" : "set");
        r.utcMs = now - hour * 3600000LL;
        runs.push_back(r);
    }
    HistoryWindow window;
    window.resize(760, 560);
    window.SetRecords(runs, QDateTime::fromMSecsSinceEpoch(now));
    window.ShowSpan(HistoryWindow::Span::All);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const ChartModel& model = window.chart()->model();
    EXPECT_EQ(window.list()->topLevelItemCount(), 10000);
    EXPECT_LE(model.fromMs, runs.front().utcMs);
    EXPECT_EQ(model.toMs, now);
    EXPECT_GE(model.bucketMs, 86400000) << "a day or more a mark";
    const auto counted = RunsByKind(model);
    EXPECT_EQ(counted.at(MarkKind::Silent) + counted.at(MarkKind::Compared) + counted.at(MarkKind::Set), 10000);
    EXPECT_LE(static_cast<int>(model.marks.size()), 3 * (window.chart()->plotArea().width() / kMarkSpacing + 1));
    ASSERT_GE(model.timeTicks.size(), 3u);
    bool year = false;
    for (const ChartTick& t : model.timeTicks) {
        const QDateTime at = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(t.at));
        EXPECT_EQ(at.date().day(), 1) << t.label.toStdString();
        EXPECT_EQ(at.time(), QTime(0, 0)) << t.label.toStdString();
        year = year || t.label == QString("%1년").arg(at.date().year());
    }
    EXPECT_TRUE(year) << "the new year is named";
}

}  // namespace
}  // namespace hodra
