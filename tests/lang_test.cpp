// Phrase table: line numbering, the CR LF cut, language switches, damaged and shipped files.
#include "gui/lang.h"
#include "scratch.h"
#include <algorithm>
#include <fstream>
#include <vector>
TEST(Lang, LinesLandInTheirSlotsAndTheShippedFilesCoverTheMenu) {
    std::string y125(125, 'y'), many, over = std::string(200, 'x') + "\r\nnext\r\n" + y125 + "\r\n";
    for (int i = 1; i <= 300; i++) many += "L" + std::to_string(i) + "\r\n";
    struct {
        std::string rus, eng; // no eng: the file is missing
        std::vector<std::pair<unsigned, std::string>> want;
    } cases[] = {
        {"keep\r\n", "", {{1, "keep"}}},
        {"", "a\r\nb\r\n", {{0, ""}, {1, "a"}, {2, "b"}}},
        {"", "ab\r\nwxyz", {{1, "ab"}, {2, "wx"}}}, // a last line without CR LF loses 2 bytes
        {"", "abc\ndef\n", {{1, "ab"}, {2, "de"}}},
        {"", "\nok\r\nz", {{1, ""}, {2, "ok"}, {3, ""}}},
        {"r1\r\nr2\r\nr3\r\n", "e1\r\n", {{1, "e1"}, {2, "r2"}, {3, "r3"}}},
        {"", over, {{1, std::string(125, 'x')}, {2, "next"}, {3, y125}}},
        {"", many, {{255, "L255"}, {1000, ""}}},
    };
    ScratchDir dir(false);
    ScratchDir::mkdir_p("lang");
    frazes[0][PHRASE_BYTES - 1] = 'Z'; // the byte just before slot 1
    for (auto &c : cases) {
        SCOPED_TRACE(&c - cases);
        std::ofstream("lang/rus.txt") << c.rus;
        lang_init("rus");
        if (!c.eng.empty()) std::ofstream("lang/eng.txt") << c.eng;
        EXPECT_EQ(output_of([] { lang_init("eng"); }), // ASan reports any write past the table
                  c.eng.empty() ? "fail not found lang/eng.txt" : "");
        for (auto &w : c.want) EXPECT_EQ(lang_get(w.first), w.second) << "phrase " << w.first;
        EXPECT_EQ(frazes[0][PHRASE_BYTES - 1], 'Z');
    }
    // The shipped files: CR LF ends, every menu phrase, Russian in windows-1251.
    ASSERT_EQ(std::system("rm -r lang && ln -s '" TESS_GAME_DIR "/lang' lang"), 0);
    for (const char *code : {"eng", "rus"}) {
        std::string s;
        std::getline(std::ifstream(std::string("lang/") + code + ".txt"), s, '\0');
        EXPECT_EQ(s.substr(s.size() - 2), "\r\n") << code;
        EXPECT_EQ(std::count(s.begin(), s.end(), '\r'), std::count(s.begin(), s.end(), '\n'));
        for (auto &p : frazes) p[0] = 0;
        lang_init(code);
        for (unsigned n = 1; n <= 30; n++)
            EXPECT_NE(lang_get(n)[0], 0) << code << n; // 30: a refused name
    }
    EXPECT_EQ(static_cast<unsigned char>(lang_get(1)[0]), 0xCD); // "Н" of "Новая"
}
