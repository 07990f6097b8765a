// Phrase table: line numbering, the CR LF cut, language switches and damaged files.
#include <gtest/gtest.h>

#include "gui/lang.h"
#include "scratch.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

TEST(Lang, LinesLandInTheirSlots) {
    std::string x125(125, 'x'), y125(125, 'y'), many;
    for (int i = 1; i <= 300; i++) many += "L" + std::to_string(i) + "\r\n";
    std::string over = std::string(200, 'x') + "\r\nnext\r\n" + y125 + "\r\n";
    struct {
        const char *rus, *eng; // no eng: the file is missing
        std::vector<std::pair<unsigned, std::string>> want;
    } cases[] = {
        {"", "a\r\nb\r\n", {{0, ""}, {1, "a"}, {2, "b"}, {3, ""}}},
        {"", "ab\r\nwxyz", {{1, "ab"}, {2, "wx"}}}, // a last line without CR LF loses 2 bytes
        {"", "abc\ndef\n", {{1, "ab"}, {2, "de"}}},
        {"", "\nok\r\nz", {{1, ""}, {2, "ok"}, {3, ""}}},
        {"r1\r\nr2\r\nr3\r\n", "e1\r\n", {{1, "e1"}, {2, "r2"}, {3, "r3"}}},
        {"keep\r\n", nullptr, {{1, "keep"}}},
        {"", over.c_str(), {{1, x125}, {2, "next"}, {3, y125}}},
        {"", many.c_str(), {{255, "L255"}, {256, ""}}},
    };
    ScratchDir dir(false);
    ScratchDir::mkdir_p("lang");
    for (auto &c : cases) {
        SCOPED_TRACE(&c - cases);
        std::memset(frazes, 0, sizeof frazes);
        frazes[0][PHRASE_BYTES - 1] = 'Z'; // the byte just before slot 1
        std::ofstream("lang/rus.txt", std::ios::binary) << c.rus;
        lang_init("rus");
        std::remove("lang/eng.txt");
        if (c.eng) std::ofstream("lang/eng.txt", std::ios::binary) << c.eng;
        testing::internal::CaptureStdout();
        lang_init("eng"); // ASan reports any write past the table
        std::string said = testing::internal::GetCapturedStdout();
        EXPECT_EQ(said, c.eng ? "" : "fail not found lang/eng.txt");
        for (auto &w : c.want) EXPECT_EQ(lang_get(w.first), w.second) << "phrase " << w.first;
        EXPECT_EQ(frazes[0][PHRASE_BYTES - 1], 'Z');
    }
}

// The shipped files: CR LF after every line, a phrase for every number the menu shows,
// Russian in the font's single-byte windows-1251.
TEST(Lang, ShippedFilesCoverTheMenuInTheFontEncoding) {
    ScratchDir dir(false);
    ASSERT_EQ(symlink(TESS_GAME_DIR "/lang", "lang"), 0);
    for (const char *code : {"eng", "rus"}) {
        SCOPED_TRACE(code);
        std::stringstream raw;
        raw << std::ifstream(std::string("lang/") + code + ".txt", std::ios::binary).rdbuf();
        std::string s = raw.str();
        EXPECT_EQ(s.substr(s.size() - std::min<size_t>(2, s.size())), "\r\n");
        long crlf = 0;
        for (size_t i = 1; i < s.size(); i++) crlf += s[i - 1] == '\r' && s[i] == '\n';
        EXPECT_EQ(crlf, std::count(s.begin(), s.end(), '\n'));
        EXPECT_EQ(crlf, std::count(s.begin(), s.end(), '\r'));
        std::memset(frazes, 0, sizeof frazes);
        lang_init(code);
        for (unsigned n = 1; n <= 29; n++) EXPECT_NE(lang_get(n)[0], 0) << "phrase " << n;
    }
    EXPECT_EQ(static_cast<unsigned char>(lang_get(1)[0]), 0xCD); // "Н" of "Новая"
}

} // namespace
