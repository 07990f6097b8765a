// Phrase file loader: every slot stays zero-terminated, slot n holds the start of line n
// without its last two bytes, and slots past the last line keep their text.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "fuzz_common.h"
#include "gui/lang.h"

static void make_lang_folder() {
    std::filesystem::create_directory("lang");
}

const std::vector<std::string> fuzz::seeds = {
    "Play\r\nOptions\r\nExit\r\n",
    std::string(200, 'x') + "\r\nshort\r\n",
    "no carriage return\nlast line without end",
    std::string(400, '\n'), // more lines than slots
    std::string("\r\n\n\0\r\n", 5),
};

FUZZ_TARGET("lang/fz.txt", make_lang_folder) {
    for (int i = 0; i < PHRASE_SLOTS; i++)
        std::snprintf(frazes[i], PHRASE_BYTES, "old phrase %i", i);
    lang_init("fz");

    assert(std::strcmp(frazes[0], "old phrase 0") == 0); // slot 0 is never read into
    size_t at = 0;
    for (int i = 1; i < PHRASE_SLOTS; i++) {
        const char *slot = frazes[i];
        assert(std::memchr(slot, 0, PHRASE_BYTES) != nullptr);
        if (at >= size) {
            char old[PHRASE_BYTES];
            std::snprintf(old, sizeof old, "old phrase %i", i);
            assert(std::strcmp(slot, old) == 0);
            continue;
        }
        const uint8_t *end = static_cast<const uint8_t *>(std::memchr(data + at, '\n', size - at));
        const size_t line = end ? size_t(end - data) + 1 - at : size - at; // line end included
        const size_t kept = line < PHRASE_BYTES - 1 ? line : PHRASE_BYTES - 1;
        const size_t text = kept >= 2 ? kept - 2 : 0;
        assert(std::memcmp(slot, data + at, text) == 0 && slot[text] == 0);
        at += line;
    }
}
