// Phrase table: line numbering, the CR LF cut, language switches and damaged files.
#include <gtest/gtest.h>

#include "gui/lang.h"
#include "scratch.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace {

class LangTest : public ::testing::Test {
  protected:
    ScratchDir dir{false};
    void SetUp() override {
        std::memset(frazes, 0, sizeof frazes);
        ScratchDir::mkdir_p("lang");
    }
    static void write(const char *code, const std::string &bytes) {
        std::string path = std::string("lang/") + code + ".txt";
        std::ofstream(path, std::ios::binary) << bytes;
    }
};

TEST_F(LangTest, OneLetterLinesAndPhraseZero) {
    write("eng", "a\r\nb\r\n");
    lang_init("eng");
    EXPECT_STREQ(lang_get(1), "a");
    EXPECT_STREQ(lang_get(2), "b");
    EXPECT_STREQ(lang_get(0), "");
    EXPECT_STREQ(lang_get(3), "");
    EXPECT_EQ(lang_get(1), frazes[1]); // the pointer stays valid across loads
}

TEST_F(LangTest, MissingLineEndsCostTheirBytes) {
    write("eng", "ab\r\nwxyz");
    lang_init("eng");
    EXPECT_STREQ(lang_get(1), "ab");
    EXPECT_STREQ(lang_get(2), "wx");

    write("rus", "abc\ndef\n");
    lang_init("rus");
    EXPECT_STREQ(lang_get(1), "ab");
    EXPECT_STREQ(lang_get(2), "de");
}

TEST_F(LangTest, ShorterLanguageLeavesEarlierPhrasesPastItsEnd) {
    write("rus", "r1\r\nr2\r\nr3\r\n");
    write("eng", "e1\r\n");
    lang_init("rus");
    lang_init("eng");
    EXPECT_STREQ(lang_get(1), "e1");
    EXPECT_STREQ(lang_get(2), "r2");
    EXPECT_STREQ(lang_get(3), "r3");
}

TEST_F(LangTest, MissingFileKeepsTableAndSaysSo) {
    write("rus", "keep\r\n");
    lang_init("rus");
    testing::internal::CaptureStdout();
    lang_init("xyz");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "fail not found lang/xyz.txt");
    EXPECT_STREQ(lang_get(1), "keep");
}

TEST_F(LangTest, LongLineIsCutInsideItsSlotAndNextLineKeepsItsNumber) {
    std::string longline(200, 'x');
    write("eng", longline + "\r\nnext\r\n" + std::string(125, 'y') + "\r\n");
    lang_init("eng");
    EXPECT_EQ(std::string(lang_get(1)), std::string(125, 'x'));
    EXPECT_STREQ(lang_get(2), "next");
    EXPECT_EQ(std::string(lang_get(3)), std::string(125, 'y'));
}

TEST_F(LangTest, LinesPast255AreIgnored) {
    std::string text;
    for (int i = 1; i <= 300; i++) text += "L" + std::to_string(i) + "\r\n";
    write("eng", text);
    lang_init("eng"); // ASan reports any write past the table
    EXPECT_STREQ(lang_get(255), "L255");
    EXPECT_STREQ(lang_get(0), "");
    EXPECT_STREQ(lang_get(256), ""); // out of range reads the empty phrase
}

TEST_F(LangTest, LinesUnderTwoBytesStayInTheirSlot) {
    frazes[0][PHRASE_BYTES - 1] = 'Z'; // the byte just before slot 1
    frazes[1][0] = 'q';
    write("eng", "\nok\r\nz");
    lang_init("eng");
    EXPECT_EQ(frazes[0][PHRASE_BYTES - 1], 'Z');
    EXPECT_STREQ(lang_get(1), "");
    EXPECT_STREQ(lang_get(2), "ok");
    EXPECT_STREQ(lang_get(3), "");
}

// The shipped files, as the build converted them: CR LF after every line, a phrase for
// every number the menu shows, Russian in single-byte windows-1251.
TEST(LangFiles, ShippedFilesCoverTheMenuInTheFontEncoding) {
    for (const char *code : {"eng", "rus"}) {
        SCOPED_TRACE(code);
        std::string path = std::string(TESS_GAME_DIR) + "/lang/" + code + ".txt";
        std::ifstream in(path, std::ios::binary);
        ASSERT_TRUE(in) << path;
        std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_GE(raw.size(), 2u);
        EXPECT_EQ(raw.substr(raw.size() - 2), "\r\n");
        int lines = 0;
        for (size_t i = 0; i < raw.size(); i++) {
            if (raw[i] != '\n') continue;
            lines++;
            EXPECT_TRUE(i > 0 && raw[i - 1] == '\r') << "line " << lines;
        }
        EXPECT_GE(lines, 29);
        EXPECT_EQ(std::count(raw.begin(), raw.end(), '\r'), lines); // no stray CR

        ScratchDir scratch(false);
        ScratchDir::mkdir_p("lang");
        std::ofstream(std::string("lang/") + code + ".txt", std::ios::binary) << raw;
        std::memset(frazes, 0, sizeof frazes);
        lang_init(code);
        for (unsigned n = 1; n <= 29; n++) {
            EXPECT_GT(std::strlen(lang_get(n)), 0u) << "phrase " << n;
            EXPECT_EQ(std::strchr(lang_get(n), '\r'), nullptr) << "phrase " << n;
        }
    }
    // "Новая" starts the Russian first phrase: Н is 0xCD in windows-1251.
    EXPECT_EQ(static_cast<unsigned char>(lang_get(1)[0]), 0xCD);
}

} // namespace
