// Process entry: everything else lives in the shell module so tests can reach it.
#include "shell/shell.h"

int main(int argc, char **argv) {
    return shell_main(argc, argv);
}
