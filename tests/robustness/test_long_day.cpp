// A simulated working day of eight hours: every timer tick of the day driven directly, a key
// typed every three seconds, a paint every ten minutes, a new run every hour and a new set every
// two. The window stays consistent and its memory does not grow once it has warmed up.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/support/DialogFixture.h"

namespace {

constexpr int kDaySeconds = 8 * 3600;
constexpr int kWarmUpSeconds = 3600;
// Resident memory may differ this much between the end of the first hour and the end of the day.
constexpr long kGrowthBoundKb = 4 * 1024;
// AddressSanitizer keeps freed memory in quarantine and maps shadow memory, so resident sizes
// measured under it say nothing about the program's own use: there they are printed, not judged.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kResidentSizeMeaningful = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kResidentSizeMeaningful = false;
#else
constexpr bool kResidentSizeMeaningful = true;
#endif
#else
constexpr bool kResidentSizeMeaningful = true;
#endif

long ResidentKb()
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

}  // namespace

TEST(LongDay, EightHoursOfTicksAndTypingKeepMemoryFlat)
{
    PracticeWindow win(1024, 768);
    PracticeDialog& d = win.dlg();
    win.Key(VK_F2);
    const std::size_t appleBytes = d.m_appleBackground.size();
    const std::size_t scratchBytes = d.m_pKeyScratch.size();

    int typed = 0;
    int right = 0;
    int blinks = 0, voices = 0, hands = 0, clocks = 0, ambients = 0;
    long afterWarmUp = 0;
    // Ticks fall due on a clock of tenths of a second.
    for (int tenth = 0; tenth < kDaySeconds * 10; ++tenth) {
        if (tenth % 2 == 0) {
            testing_hooks::FireTimer(d, TIMER_KEY_BLINK);
            ++blinks;
        }
        if (tenth % 3 == 0 && testing_hooks::IsTimerRunning(d, TIMER_HAND_BLINK)) {
            testing_hooks::FireTimer(d, TIMER_HAND_BLINK);
            ++hands;
        }
        if (tenth % 15 == 0 && testing_hooks::IsTimerRunning(d, TIMER_VOICE_REPEAT)) {
            testing_hooks::FireTimer(d, TIMER_VOICE_REPEAT);
            ++voices;
        }
        if (tenth % 100 == 99) {
            testing_hooks::FireTimer(d, TIMER_CLOCK);
            ++clocks;
        }
        if (tenth % 10 != 0) {
            continue;
        }
        // Whole seconds from here on.
        const int second = tenth / 10;
        testing_hooks::FireTimer(d, TIMER_AMBIENT);
        ++ambients;
        win.LetSoundsEnd();
        if (second % 3 == 1) {
            // One key in ten is wrong; the next one puts it right.
            const bool wrong = (second / 3) % 10 == 7;
            win.Type(static_cast<unsigned char>(wrong ? win.Wrong() : win.Target()));
            ++typed;
            right += wrong ? 0 : 1;
        }
        if (second % 600 == 300) {
            testing_hooks::PaintNow(d);
        }
        if (second % 3600 == 1800) {
            win.Key(VK_F2);
        }
        if (second % 7200 == 5400) {
            win.Key(VK_F3 + (second / 7200) % 4);
        }
        // The fixture's own records of sounds are not the program's memory.
        win.sounds.clear();
        win.boxes.clear();
        if (second == kWarmUpSeconds) {
            afterWarmUp = ResidentKb();
        }
    }
    const long atEnd = ResidentKb();

    EXPECT_EQ(d.m_nTotalTicks, kDaySeconds / 10);
    EXPECT_EQ(d.m_nTotalKeys, typed);
    EXPECT_EQ(d.m_nTotalRight, right);
    EXPECT_EQ(d.m_appleBackground.size(), appleBytes);
    EXPECT_EQ(d.m_pKeyScratch.size(), scratchBytes);
    EXPECT_TRUE(testing_hooks::IsTimerRunning(d, TIMER_KEY_BLINK));
    EXPECT_EQ(d.m_strReport.rfind("Test report:total", 0), 0u) << d.m_strReport;
    if (kResidentSizeMeaningful) {
        EXPECT_LT(atEnd - afterWarmUp, kGrowthBoundKb)
            << "resident memory grew from " << afterWarmUp << " kB after the first hour to " << atEnd
            << " kB at the end of the day";
    }
    std::printf(
        "long day: %d key blinks, %d voice repeats, %d hand blinks, %d clock and %d ambient ticks, %d keys "
        "(%d right); resident %ld kB after the first hour, %ld kB at the end (%+ld kB)%s\n",
        blinks, voices, hands, clocks, ambients, typed, right, afterWarmUp, atEnd, atEnd - afterWarmUp,
        kResidentSizeMeaningful ? "" : " (not judged under AddressSanitizer)");
}
