// Draws every image the game reads (placeholder until the real artwork tool lands).
#include <cstdio>
#include <string>
#include <sys/stat.h>

int main(int argc, char **argv) {
    if (argc < 2) return 2;
    std::string dir = argv[1];
    mkdir((dir + "/lang").c_str(), 0777);
    mkdir((dir + "/world").c_str(), 0777);
    mkdir((dir + "/world/standart").c_str(), 0777);
    const char *names[] = {"font.tga", "back.tga", "ts.tga", "lang/rus.tga", "lang/eng.tga",
                           "world/standart/ground.tga", "world/standart/sun.tga"};
    for (const char *n : names) {
        FILE *f = std::fopen((dir + "/" + n).c_str(), "wb");
        if (!f) return 1;
        std::fclose(f);
    }
    return 0;
}
