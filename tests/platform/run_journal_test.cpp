// Runs as the journal gets them. The suite runs under unshare --user --map-root-user
// --mount: a directory of its own is /run/systemd/journal here, and the test listens on the
// socket in it as journald would.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>

#include "fake_sntp_server.h"
#include "journal_listener.h"
#include "journal_message_ids.h"
#include "read_file.h"
#include "run_journal.h"
#include "sync_operation.h"
#include "temp_dir.h"

namespace hodra {
namespace {

using test::Field;

// What journalctl --list-catalog says: each id's "component: subject".
std::map<std::string, std::string> Subjects(const std::string& command) {
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        std::array<char, 4096> chunk{};
        for (std::size_t n; (n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0;) {
            text.append(chunk.data(), n);
        }
        pclose(pipe);
    }
    std::map<std::string, std::string> subjects;
    std::istringstream lines(text);
    for (std::string id, subject; lines >> id && std::getline(lines, subject);) {
        subjects[id] = subject;
    }
    return subjects;
}

class RunJournal : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(dir.StdPath("journal"));
        ASSERT_TRUE(test::BindJournal(dir.StdPath("journal")));
        listener = std::make_unique<test::JournalListener>(dir.StdPath("journal"));
    }
    test::TempDir dir;
    std::unique_ptr<test::JournalListener> listener;
};

SyncOutcome Answered(bool synchronise) {
    SyncOutcome o;
    o.synchronise = synchronise;
    o.answered = true;
    o.serverId = 1;
    o.serverHost = "time.example.kr:123";
    o.serverAddress = "192.0.2.10";
    o.offset = -1.5;
    o.delay = 0.012;
    o.stratum = 2;
    o.authenticated = true;
    o.message = "message line";
    return o;
}

// One id per kind of run, and a priority an administrator filters on: the failed step and
// the one not permitted are one kind; a helper that never ran is a failure, not silence.
TEST_F(RunJournal, EachKindOfRunHasItsIdPriorityAndMeasurement) {
    struct Case {
        SyncOutcome outcome;
        const char* word;
        const char* id;
        const char* priority;
    };
    std::vector<Case> cases{{Answered(false), "compared", journal::kCompared, "6"},
                            {Answered(true), "set", journal::kSet, "6"},
                            {Answered(true), "not-permitted", journal::kFailed, "4"},
                            {SyncOutcome{}, "failed", journal::kFailed, "4"},
                            {SyncOutcome{}, "no-answer", journal::kNoAnswer, "4"},
                            {Answered(true), "too-large", journal::kTooLarge, "5"},
                            {Answered(true), "unconfirmed", journal::kUnconfirmed, "5"}};
    cases[1].outcome.clockSet = true;
    cases[1].outcome.automatic = true;
    cases[2].outcome.stepRefused = true;
    cases[3].outcome.synchronise = true;
    cases[4].outcome.serverId = 3;
    cases[4].outcome.message = "서버에서 응답이 없습니다";
    cases[4].outcome.automatic = cases[4].outcome.startUp = true;
    cases[5].outcome.tooLarge = true;
    cases[6].outcome.unconfirmed = true;
    for (const Case& c : cases) {
        SendRunToJournal(c.outcome, kWindowJournalName);
    }
    const std::vector<test::JournalEntry> entries = listener->Take();
    ASSERT_EQ(entries.size(), cases.size()) << "one datagram for each run";
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const test::JournalEntry& e = entries[i];
        EXPECT_EQ(Field(e, "HODRA2_OUTCOME"), cases[i].word);
        EXPECT_EQ(Field(e, "MESSAGE_ID"), cases[i].id) << cases[i].word;
        EXPECT_EQ(Field(e, "PRIORITY"), cases[i].priority) << cases[i].word;
        EXPECT_EQ(Field(e, "SYSLOG_IDENTIFIER"), "hodra2");
        EXPECT_EQ(Field(e, "MESSAGE"), cases[i].outcome.message.empty() ? cases[i].word : cases[i].outcome.message);
        EXPECT_EQ(e.count("CODE_FILE"), 0u) << "a place in our sources is nothing to an administrator";
    }
    EXPECT_EQ(Field(entries[0], "HODRA2_TRIGGER"), "user");
    EXPECT_EQ(Field(entries[1], "HODRA2_TRIGGER"), "auto");
    EXPECT_EQ(Field(entries[4], "HODRA2_TRIGGER"), "start-up");
    const test::JournalEntry measured{{"HODRA2_SERVER", "time.example.kr:123"},
                                      {"HODRA2_ADDRESS", "192.0.2.10"},
                                      {"HODRA2_OFFSET_SEC", "-1.500000000"},
                                      {"HODRA2_DELAY_SEC", "0.012000000"},
                                      {"HODRA2_STRATUM", "2"},
                                      {"HODRA2_AUTH", "nts"}};
    for (const auto& [key, value] : measured) {
        EXPECT_EQ(Field(entries[5], key), value) << key;
        EXPECT_EQ(entries[4].count(key), 0u) << key << ": no answer measures nothing";
    }
}

// A step from the command line is in the journal with the caller's uid (journald adds it);
// a comparison, which needs no right, is not.
TEST_F(RunJournal, TheHelperSendsAnEntryForEachSyncItIsAsked) {
    test::FakeSntpServer server;
    test::ReplyScript ahead;
    ahead.clockOffset = 2.5;
    server.SetScript(ahead);
    const std::string sandboxed = HODRA_RUN_SANDBOXED " --shim " HODRA_SHIM " '" + dir.StdPath("settime.log") + "' ";
    const std::string env = "XDG_CONFIG_DIRS='" + dir.StdPath() + "' ";
    ASSERT_EQ(std::system((env + sandboxed + HODRA_SNTP " " + server.Address() + " >/dev/null").c_str()), 0);
    EXPECT_TRUE(listener->Take().empty()) << "a comparison from the command line";

    ASSERT_EQ(std::system((env + sandboxed + HODRA_SNTP " --sync " + server.Address() + " >/dev/null").c_str()), 0);
    const std::vector<test::JournalEntry> entries = listener->Take();
    ASSERT_EQ(entries.size(), 1u);
    const test::JournalEntry& e = entries[0];
    EXPECT_EQ(Field(e, "SYSLOG_IDENTIFIER"), "hodra2-sntp");
    EXPECT_EQ(Field(e, "MESSAGE"), "한국표준시에 동기되었습니다.");
    EXPECT_EQ(Field(e, "MESSAGE_ID"), journal::kSet);
    EXPECT_EQ(Field(e, "HODRA2_TRIGGER"), "user");
    EXPECT_EQ(Field(e, "HODRA2_SERVER"), server.Address());
    // The entry's offset is the step the shim recorded: "clock_adjtime 0 TARGET NOW hodra2-sntp".
    std::istringstream call(test::ReadFile(dir.StdPath("settime.log")));
    std::string name;
    std::string clockId;
    double target = 0.0;
    double now = 0.0;
    call >> name >> clockId >> target >> now;
    EXPECT_NEAR(std::stod(Field(e, "HODRA2_OFFSET_SEC")), target - now, 1e-6);
}

// journalctl -x explains every id the program sends, in English and in Korean.
TEST(JournalCatalog, ExplainsEveryIdInEnglishAndKorean) {
    test::TempDir root;
    std::filesystem::create_directories(root.StdPath("usr/lib/systemd/catalog"));
    std::filesystem::copy_file(HODRA_CATALOG, root.StdPath("usr/lib/systemd/catalog/hodra2.catalog"));
    ASSERT_EQ(std::system(("journalctl --root '" + root.StdPath() + "' --update-catalog").c_str()), 0);
    ASSERT_EQ(std::system(("localedef -i ko_KR -f UTF-8 '" + root.StdPath("ko_KR.UTF-8") + "'").c_str()), 0);
    const std::string list = "journalctl --root '" + root.StdPath() + "' --list-catalog";
    std::map<std::string, std::string> english = Subjects("LC_ALL=C.UTF-8 " + list);
    std::map<std::string, std::string> korean = Subjects("LOCPATH='" + root.StdPath() + "' LC_ALL=ko_KR.UTF-8 " + list);
    ASSERT_EQ(english.size(), journal::kAllMessageIds.size()) << "no id twice, none unknown";
    for (const char* id : journal::kAllMessageIds) {
        ASSERT_EQ(english.count(id), 1u) << id << " is not in the catalog";
        EXPECT_EQ(english[id].rfind(" hodra2: ", 0), 0u) << english[id];
        EXPECT_NE(korean[id], english[id]) << id << " has no Korean entry";
    }
}

}  // namespace
}  // namespace hodra
