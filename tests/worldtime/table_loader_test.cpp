#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <fstream>

#include "cp949_bytes.h"
#include "settings/korean_code_page.h"
#include "temp_dir.h"
#include "worldtime/region_description.h"
#include "worldtime/region_time.h"
#include "worldtime/world_time_table.h"
#include <unistd.h>

namespace hodra {
namespace {

using test::Cp949;

QByteArray EightGroups(const QString& body) {
    return Cp949(body);
}

TEST(TableLoader, GroupsInFileOrderWithIndexesRunningOn) {
    WorldTimeTable table;
    const QByteArray file = EightGroups(
        "아시아 2\r\n서울 0 0 0\r\n도쿄\t0 0 0\n"
        "빈그룹 0  중동 -3 유럽 1 런던 -540 3 15\n"
        "g5 0 g6 0 g7 1 뉴욕 -840 16 13 g8 0 여기부터는 읽지 않음 1 2 3");
    EXPECT_TRUE(table.Load(file));
    ASSERT_EQ(table.size(), 4);
    ASSERT_EQ(table.Groups().size(), 8u);
    EXPECT_EQ(table.Groups()[0].name, "아시아");
    EXPECT_EQ(table.Groups()[0].count, 2);
    EXPECT_EQ(table.Groups()[1].count, 0);
    EXPECT_EQ(table.Groups()[2].name, "중동");
    EXPECT_EQ(table.Groups()[2].count, 0) << "a negative count gives an empty group";
    EXPECT_EQ(table.Groups()[3].firstIndex, 2);
    EXPECT_EQ(table.at(2).displayName, "런던");
    EXPECT_EQ(table.at(2).offsetMinutes, -540);
    EXPECT_EQ(table.at(2).dstStart, 3);
    EXPECT_EQ(table.at(2).dstEnd, 15);
    EXPECT_EQ(table.at(3).displayName, "뉴욕");
    EXPECT_EQ(table.GroupOf(3), "g7");
    EXPECT_TRUE(table.at(4).name.empty());
}

TEST(TableLoader, BadInputStopsTheLoadKeepingWhatCameBefore) {
    struct Case {
        const char* what;
        QByteArray file;
        int entries;
        std::size_t groups;
    };
    const QByteArray longName(80, 'x');
    const Case cases[] = {
        {"short file", Cp949("a 3 서울 0 0 0 도쿄 0 0"), 1, 1},
        {"fewer groups", Cp949("a 1 서울 0 0 0 b 1 파리 -480 2 16"), 2, 2},
        {"malformed number", Cp949("a 2 서울 0 0 0 도쿄 0 zero 0 b 0"), 1, 1},
        {"number with trailing text", Cp949("a 1 서울 0x10 0 0"), 0, 1},
        {"count not a number", Cp949("a many"), 0, 0},
        {"80-byte name", "a 2 ok 0 0 0 " + longName + " 0 0 0", 1, 1},
        {"79-byte name is fine", "a 1 " + longName.left(79) + " 1 2 3 b 0 c 0 d 0 e 0 f 0 g 0 h 0", 1, 8},
        {"number out of range", Cp949("a 1 서울 99999999999 0 0"), 0, 1},
    };
    for (const Case& c : cases) {
        WorldTimeTable table;
        table.Load(c.file);
        EXPECT_EQ(table.size(), c.entries) << c.what;
        EXPECT_EQ(table.Groups().size(), c.groups) << c.what;
    }
}

TEST(TableLoader, NeverWritesPastTenThousandEntries) {
    QByteArray file = "big 10001\n";
    for (int i = 0; i < 10001; ++i) {
        file += "r" + QByteArray::number(i) + " " + QByteArray::number(i % 300) + " 0 0\n";
    }
    WorldTimeTable table;
    EXPECT_FALSE(table.Load(file));
    EXPECT_EQ(table.size(), 10000);
    EXPECT_EQ(table.at(9999).name, "r9999");
    EXPECT_EQ(table.Groups()[0].count, 10000);
    // A second load replaces the first completely.
    EXPECT_FALSE(table.Load(Cp949("a 1 서울 0 0 0")));
    EXPECT_EQ(table.size(), 1);
    EXPECT_TRUE(table.at(1).name.empty());
}

TEST(TableLoader, FileFoundByItsUtf8OrItsCp949Name) {
    test::TempDir dir;
    test::TempDir empty;
    const QString here = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(empty.Path()));
    EXPECT_EQ(FindWorldTimeFile({empty.Path()}), "");
    const std::string cp949Name = dir.StdPath() +
                                  "/\xBC\xBC\xB0\xE8\xBD\xC3\xB0\xA3\xC7\xA5"
                                  "2.txt";
    std::ofstream(cp949Name) << "a 0 b 0 c 0 d 0 e 0 f 0 g 0 h 0\n";
    EXPECT_EQ(FindWorldTimeFile({dir.Path()}), cp949Name) << "found in a data directory";
    ASSERT_TRUE(QDir::setCurrent(dir.Path()));
    EXPECT_EQ(FindWorldTimeFile({}), cp949Name);
    std::ofstream(dir.StdPath() + "/세계시간표2.txt") << "x 0\n";
    EXPECT_EQ(FindWorldTimeFile({}), dir.StdPath() + "/세계시간표2.txt") << "the UTF-8 name comes first";
    QDir::setCurrent(here);
    QByteArray bytes;
    EXPECT_TRUE(ReadWorldTimeFile(cp949Name, bytes));
    EXPECT_TRUE(bytes.startsWith("a 0"));
    EXPECT_FALSE(ReadWorldTimeFile(dir.StdPath() + "/missing.txt", bytes));
}

// Every two-byte character of the Korean Windows code page reads as glibc's independent
// table has it: all 17,048, the 8,821 Hangul syllables an IBM "cp949" lacks among them.
TEST(TableLoader, EveryTwoByteCp949CharacterDecodesAsTheIndependentTable) {
    ASSERT_TRUE(KoreanCodePageAvailable());
    int valid = 0;
    int wrong = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x41; trail <= 0xFE; ++trail) {
            const char pair[] = {static_cast<char>(lead), static_cast<char>(trail)};
            const QByteArray bytes(pair, 2);
            const std::optional<QString> expected = test::FromCp949(bytes);
            if (!expected) {
                continue;
            }
            ++valid;
            if (DecodeKorean(bytes) != *expected) {
                ADD_FAILURE_AT(__FILE__, __LINE__)
                    << std::hex << lead << trail << " reads as " << DecodeKorean(bytes).toStdString();
                if (++wrong > 20) {
                    return;
                }
            }
        }
    }
    EXPECT_EQ(valid, 17048);
    EXPECT_EQ(DecodeKorean("C:\\"), "C:\\") << "0x5C is a backslash, not the won sign";
}

// A region named with a rarer syllable (똠, 뷁, 쌰) or a backslash loads, shows and is found.
TEST(TableLoader, RareSyllablesAndBackslashesLoadAndAreFound) {
    WorldTimeTable table;
    ASSERT_TRUE(
        table.Load(Cp949("아시아 3 똠양(태국) 120 0 0 뷁\\쌰(가상) 60 0 0 서울 0 0 0 "
                         "g2 0 g3 0 g4 0 g5 0 g6 0 g7 0 g8 0")));
    ASSERT_EQ(table.size(), 3);
    EXPECT_EQ(table.at(0).displayName, "똠양(태국)");
    EXPECT_EQ(table.at(1).displayName, "뷁\\쌰(가상)");
    EXPECT_EQ(table.Find("똠"), std::vector<int>{0});
    EXPECT_EQ(table.Find("\\쌰"), std::vector<int>{1});
}

// Any offset a signed 32-bit field holds is a region of the table, the far ones included;
// only the arithmetic with it is guarded (its description, its clock's date and rules).
TEST(TableLoader, EveryThirtyTwoBitOffsetLoadsAndItsRegionStillTellsItsTime) {
    for (const char* offset : {"345", "-2147483648", "2147483647", "301", "-1261"}) {
        WorldTimeTable table;
        const QByteArray file = Cp949(
            QStringLiteral("a 3 서울 0 0 0 먼곳 %1 2 1 도쿄 0 0 0 b 1 파리 -480 2 1 g3 0 g4 0 g5 0 g6 0 g7 0 g8 0")
                .arg(offset));
        EXPECT_TRUE(table.Load(file)) << offset;
        ASSERT_EQ(table.size(), 4) << offset << ": every later entry and group stays";
        EXPECT_EQ(table.GroupOf(3), "b");
        const RegionEntry& far = table.at(1);
        const RegionTime at = RegionTimeAt(far, 1796785200);
        EXPECT_GE(at.standard.month, 1) << offset;
        EXPECT_FALSE(ComposeDescription(&far, 1796785200).isEmpty());
    }
    EXPECT_EQ(DifferenceLine(345), "선택하신 지역은 한국보다 5시 45분이 빠른 지역입니다.");
    EXPECT_EQ(DifferenceLine(-2147483647 - 1), "선택하신 지역은 한국보다 35791394시 8분이 늦은 지역입니다.");
}

// Past 4 MiB a file is no world time table: it is refused whole, not read into memory.
TEST(TableLoader, AFileTooLargeForATableIsRefused) {
    test::TempDir dir;
    const std::string path = dir.StdPath("huge.txt");
    std::ofstream(path) << "a 0 b 0 c 0 d 0 e 0 f 0 g 0 h 0\n";
    QByteArray bytes;
    ASSERT_EQ(truncate(path.c_str(), WorldTimeTable::kLongestFile), 0);
    EXPECT_TRUE(ReadWorldTimeFile(path, bytes));
    ASSERT_EQ(truncate(path.c_str(), WorldTimeTable::kLongestFile + 1), 0);
    EXPECT_FALSE(ReadWorldTimeFile(path, bytes));
    EXPECT_TRUE(bytes.isEmpty());
}

}  // namespace
}  // namespace hodra
