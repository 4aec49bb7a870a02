// Entry of every test program: initialises the run-time context once, then runs the tests.
#include <gtest/gtest.h>

#include "runtime/context.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (rt::ContextInit() != 0) return 3;
    return RUN_ALL_TESTS();
}
