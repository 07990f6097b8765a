// The phrase table: one language file read into fixed 128-byte slots. No GL here.
#include "gui/lang.h"

#include <cstdio>
#include <cstring>

char frazes[PHRASE_SLOTS][PHRASE_BYTES];

namespace {

// Reads one line into slot: at most PHRASE_BYTES - 1 bytes of it, line end included; the
// rest of a longer line is dropped so the next line keeps its number. The bytes stored, or
// -1 at the end of the file.
int read_line(FILE *f, char *slot) {
    int len = 0, c;
    while ((c = std::fgetc(f)) != EOF) {
        if (len < PHRASE_BYTES - 1) slot[len++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    if (len == 0 && c == EOF) return -1;
    slot[len] = 0;
    return len;
}

} // namespace

void lang_init(const char *code) {
    char path[64];
    std::snprintf(path, sizeof path, "lang/%s.txt", code);
    FILE *f = std::fopen(path, "r");
    if (!f) {
        // The table keeps the language loaded before, so the menu stays readable.
        std::printf("fail not found %s", path);
        std::fflush(stdout);
        return;
    }
    for (int i = 1; i < PHRASE_SLOTS; i++) {
        char *slot = frazes[i];
        int len = read_line(f, slot);
        if (len < 0) break;
        // Every line ends in CR LF; cutting two bytes removes it. A line of under two
        // bytes leaves an empty phrase.
        slot[len >= 2 ? len - 2 : 0] = 0;
    }
    std::fclose(f);
}

const char *lang_get(unsigned int n) {
    return n < PHRASE_SLOTS ? frazes[n] : frazes[0];
}
