// Scratch buffer and the replaceable random source.
#include "base/common.h"

#include <cstdlib>

char buff[256];

namespace {
int (*rand_source)() = nullptr;
}

int base_rand() {
    return rand_source ? rand_source() : std::rand();
}

void base_set_rand_source(int (*source)()) {
    rand_source = source;
}
