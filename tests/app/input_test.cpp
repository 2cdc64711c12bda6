// The window procedure on its own: what key and activation messages do to the flags.
#include <gtest/gtest.h>

#include <cstring>

#include "app/input.h"

namespace {

class WindowProcTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::memset(keyDown, 0, sizeof keyDown);
        windowActive = 1;
    }
};

TEST_F(WindowProcTest, KeysSetAndClearTheirFlagsOnlyInsideTheTable) {
    EXPECT_EQ(windowProc(nullptr, msgKeyDown, vkLeft, 0), 0);
    EXPECT_EQ(keyDown[vkLeft], 1);
    windowProc(nullptr, msgKeyDown, 255, 0);
    EXPECT_EQ(keyDown[255], 1);
    windowProc(nullptr, msgKeyUp, vkLeft, 0);
    EXPECT_EQ(keyDown[vkLeft], 0);
    // Codes past the table are ignored (an out-of-bounds write would be caught by the sanitizer).
    int32_t before[256];
    std::memcpy(before, keyDown, sizeof before);
    windowProc(nullptr, msgKeyDown, 256, 0);
    windowProc(nullptr, msgKeyDown, static_cast<uintptr_t>(-1), 0);
    EXPECT_EQ(std::memcmp(before, keyDown, sizeof before), 0);
}

TEST_F(WindowProcTest, OnlyTheMinimisedFlagStopsTheLoop) {
    windowProc(nullptr, msgActivate, uintptr_t{1} << 16, 0);
    EXPECT_EQ(windowActive, 0);
    windowProc(nullptr, msgActivate, 1, 0);
    EXPECT_EQ(windowActive, 1);
    // Inactive but not minimised (focus lost): still active for the loop.
    windowProc(nullptr, msgActivate, 0, 0);
    EXPECT_EQ(windowActive, 1);
    // Minimised while gaining the focus still counts as minimised.
    windowProc(nullptr, msgActivate, (uintptr_t{1} << 16) | 1, 0);
    EXPECT_EQ(windowActive, 0);
}

}  // namespace
