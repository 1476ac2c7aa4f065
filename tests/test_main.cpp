// Runs every test with the toolkit started on the offscreen platform at 1024 x 768.
#include <gtest/gtest.h>

#include "platform/testing/testing.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    testing_hooks::StartToolkit(1024, 768);
    const int result = RUN_ALL_TESTS();
    testing_hooks::StopToolkit();
    return result;
}
