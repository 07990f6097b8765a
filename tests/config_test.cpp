// The settings file: exact default bytes, the forced position, and the mended reads and writes.
#include <fstream>
#include "base/config.h"
#include "scratch.h"
const auto bytes = [](const void *p) { return std::string(static_cast<const char *>(p), 40); };
TEST(ConfigFile, FirstStartWritesTheDefaultsStoredRecordsAreMendedAnUnwritableOneIsLeft) {
    ScratchDir dir;
    load();
    EXPECT_EQ(read_all("cfg"), bytes("\0\0\0\0\x20\x03\0\0\x58\x02\0\0\x1e\0\0\0\x1e\0\0\0\1\0\0\0"
                                     "rus\0\1\0\0\0\1\0\0\0\0\0\0\0"));
    EXPECT_EQ(st_page, 1) << "the language page opens first";
    EXPECT_EQ(access("cfg.tmp", F_OK), -1) << "the temporary file must not stay behind";
    const struct {
        int size; // bytes of the first record written; the second is what load must make of it
        GameParams stored, want;
    } cases[] = {
        {40, {7, 1280, 720, 9, 9, 3, "eng", 4, 0, 5}, {7, 1280, 720, 0, 0, 3, "eng", 4, 0, 5}},
        {12, {7, 1024, 768, 9, 9, 2, "eng", 4, 0, 5}, {7, 1024, 768, 0, 0, 1, "rus", 1, 1, 0}},
        {40, {7, 0, -5, 9, 9, -7, "eng", 4, 0, 5}, {7, 800, 600, 0, 0, 1, "eng", 4, 0, 5}},
        {40, {7, 1, 1, 9, 9, 4, {'e', 'n', 'g', 'x'}, 4, 0, 5}, {7, 1, 1, 0, 0, 3, "rus", 4, 0, 5}},
        // Sides X would refuse on every start come down to the largest it takes.
        {40,
         {7, 65536, INT32_MAX, 9, 9, 2, "eng", 4, 0, 5},
         {7, 16384, 16384, 0, 0, 2, "eng", 4, 0, 5}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.size << " bytes, view " << c.stored.view_distance);
        std::ofstream("cfg").write(reinterpret_cast<const char *>(&c.stored), c.size);
        load();
        EXPECT_EQ(bytes(&game_param), bytes(&c.want));
    }
    // A folder named "cfg": neither read as settings nor replaced, even by root; one message.
    ASSERT_EQ(std::system("rm cfg && mkdir cfg"), 0);
    const std::string out = output_of([] { EXPECT_EQ((load(), save() + save()), 0); });
    EXPECT_EQ(game_param.window_width, 800);
    EXPECT_TRUE(out.find("cfg") < out.find('\n') && out.find('\n') == out.size() - 1) << out;
}
