#include <gtest/gtest.h>

#include <QFile>

#include "cp949_bytes.h"
#include "ui/info_dialog.h"
#include "temp_dir.h"

namespace hodra {
namespace {

void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

TEST(HelpText, LongFilesAreCutAt10240BytesOnAWholeCharacter) {
    test::TempDir dir;
    // "가" is three bytes in UTF-8: 10240 is not a multiple of three.
    QByteArray text = "도움말\n";
    while (text.size() < 20000) {
        text += "가나다라마바사 ";
    }
    Write(dir.Path("Hodra2.hlp"), text);
    const QString shown = InfoDialog::HelpText(dir.Path("Hodra2.hlp"));
    const QByteArray back = shown.toUtf8();
    EXPECT_LE(back.size(), 10240);
    EXPECT_GT(back.size(), 10236);
    EXPECT_TRUE(text.startsWith(back));
    EXPECT_FALSE(shown.contains(QChar::ReplacementCharacter));
}

TEST(HelpText, OldCp949FilesAndShortFiles) {
    test::TempDir dir;
    const auto toCp949 = [](const QString& text) { return test::Cp949(text); };
    const QByteArray legacy = toCp949(QStringLiteral("표준시 정보 도움말"));
    Write(dir.Path("old.hlp"), legacy);
    EXPECT_EQ(InfoDialog::HelpText(dir.Path("old.hlp")), "표준시 정보 도움말");
    // A cp949 file cut inside a character loses only that half character.
    QByteArray big;
    while (big.size() < 10239) {
        big += toCp949(QStringLiteral("시"));
    }
    big = "a" + big;  // shifts the pairs so that byte 10240 is a lead byte
    Write(dir.Path("cut.hlp"), big);
    const QString cut = InfoDialog::HelpText(dir.Path("cut.hlp"));
    EXPECT_EQ(cut.size(), 1 + 10238 / 2);
    EXPECT_TRUE(cut.endsWith(QStringLiteral("시")));
    Write(dir.Path("short.hlp"), "Hodra2\r\n");
    EXPECT_EQ(InfoDialog::HelpText(dir.Path("short.hlp")), "Hodra2\r\n");
}

TEST(HelpText, MissingFileShowsTheFixedMessage) {
    EXPECT_EQ(InfoDialog::HelpText("/nonexistent/Hodra2.hlp"), "도움말 파일을 읽을 수가 없습니다");
    InfoDialog dialog(nullptr, "/nonexistent/Hodra2.hlp");
    EXPECT_EQ(dialog.windowTitle(), "표준시 정보");
    EXPECT_EQ(dialog.text(), "도움말 파일을 읽을 수가 없습니다");
}

}  // namespace
}  // namespace hodra
