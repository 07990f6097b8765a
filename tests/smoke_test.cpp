#include <gtest/gtest.h>

#include "engine/common.h"

namespace {
int scripted() { return 7; }
} // namespace

TEST(RandomSource, ScriptedSourceReplacesRand) {
    e_set_rand_source(scripted);
    EXPECT_EQ(e_rand(), 7);
    e_set_rand_source(nullptr);
    EXPECT_GE(e_rand(), 0);
}
