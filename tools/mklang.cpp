// Writes a language file (placeholder until the real converter lands).
#include <cstdio>

int main(int argc, char **argv) {
    if (argc < 3) return 2;
    FILE *in = std::fopen(argv[1], "rb");
    FILE *out = std::fopen(argv[2], "wb");
    if (!in || !out) return 1;
    int c;
    while ((c = std::fgetc(in)) != EOF) std::fputc(c, out);
    std::fclose(in);
    std::fclose(out);
    return 0;
}
