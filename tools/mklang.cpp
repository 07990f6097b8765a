// Converts a language file kept as UTF-8 with LF line ends into the game's format:
// windows-1251 bytes and CR LF after every line. Refuses anything the game would misread.
// Usage: mklang <in.txt> <out.txt>
#include <cstdio>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

constexpr int MAX_LINES = 255;     // phrase slots 1..255
constexpr size_t MAX_PHRASE = 125; // 127 bytes a slot line, CR LF included

int fail(const char *in, int line, const char *why) {
    std::fprintf(stderr, "%s:%d: %s\n", in, line, why);
    return 1;
}

// Maps one code point to its windows-1251 byte; -1 when the game's font has no cell for it.
int to_cp1251(unsigned int cp) {
    if (cp >= 32 && cp < 127) return static_cast<int>(cp);
    if (cp >= 0x410 && cp <= 0x44F) return static_cast<int>(cp - 0x410 + 0xC0); // А..я
    if (cp == 0x401) return 0xA8;                                               // Ё
    if (cp == 0x451) return 0xB8;                                               // ё
    return -1;
}

// Decodes one UTF-8 sequence starting at s[i]; advances i. -1 on a malformed sequence.
long decode(const std::string &s, size_t &i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    int more = c < 0x80             ? 0
               : (c & 0xE0) == 0xC0 ? 1
               : (c & 0xF0) == 0xE0 ? 2
               : (c & 0xF8) == 0xF0 ? 3
                                    : -1;
    if (more < 0) return -1;
    unsigned long cp = more == 0 ? c : c & (0x3F >> more);
    i++;
    for (int k = 0; k < more; k++, i++) {
        if (i >= s.size()) return -1;
        unsigned char d = static_cast<unsigned char>(s[i]);
        if ((d & 0xC0) != 0x80) return -1;
        cp = cp << 6 | (d & 0x3F);
    }
    return static_cast<long>(cp);
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: mklang <in.txt> <out.txt>\n");
        return 2;
    }
    const char *in = argv[1];
    FILE *f = std::fopen(in, "rb");
    if (!f) return fail(in, 0, "cannot open");
    std::string text;
    char chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) text.append(chunk, got);
    std::fclose(f);

    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (lines.size() > MAX_LINES) return fail(in, MAX_LINES + 1, "more than 255 lines");

    std::string out;
    for (size_t n = 0; n < lines.size(); n++) {
        const std::string &line = lines[n];
        int at = static_cast<int>(n) + 1;
        std::string bytes;
        for (size_t i = 0; i < line.size();) {
            long cp = decode(line, i);
            if (cp < 0) return fail(in, at, "malformed UTF-8");
            int b = to_cp1251(static_cast<unsigned long>(cp));
            if (b < 0) return fail(in, at, "character outside ASCII and Cyrillic");
            bytes.push_back(static_cast<char>(b));
        }
        if (bytes.size() > MAX_PHRASE) return fail(in, at, "phrase longer than 125 bytes");
        out += bytes;
        out += "\r\n";
    }

    // Written beside the target and renamed, so a failed run never leaves half a file.
    std::string target = argv[2];
    size_t slash = target.rfind('/');
    if (slash != std::string::npos && slash > 0) mkdir(target.substr(0, slash).c_str(), 0755);
    std::string tmp = target + ".tmp";
    FILE *o = std::fopen(tmp.c_str(), "wb");
    if (!o) return fail(argv[2], 0, "cannot write");
    bool ok = std::fwrite(out.data(), 1, out.size(), o) == out.size();
    ok = std::fclose(o) == 0 && ok;
    if (!ok || std::rename(tmp.c_str(), argv[2]) != 0) {
        std::remove(tmp.c_str());
        return fail(argv[2], 0, "cannot write");
    }
    return 0;
}
