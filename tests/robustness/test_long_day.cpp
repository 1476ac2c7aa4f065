// A simulated working day of eight hours: every timer tick of the day driven directly, a key
// typed every three seconds, a paint every ten minutes, a new run every hour and a new set every
// two. The window stays consistent and its memory does not grow once it has warmed up.
#include <gtest/gtest.h>

#include "tests/robustness/Robustness.h"

using namespace robustness;

TEST(LongDay, EightHoursOfTicksAndTypingKeepMemoryFlat)
{
    constexpr int kDaySeconds = 8 * 3600;
    // Resident memory may differ this much between the end of the first hour and the end of the day.
    constexpr long kGrowthBoundKb = 4 * 1024;
    PracticeWindow win(1024, 768);
    PracticeDialog& d = win.dlg();
    win.Key(VK_F2);
    const std::size_t appleBytes = d.GetScene().AppleBackground().size();
    const std::size_t scratchBytes = d.GetScene().KeyScratch().size();
    // Timers by period in tenths of a second and phase; those that may be stopped fire only when running.
    const struct {
        UINT_PTR id;
        int period, phase;
        bool always;
        const char* name;
    } timers[] = {{TIMER_KEY_BLINK, 2, 0, true, "key blinks"},
                  {TIMER_HAND_BLINK, 3, 0, false, "hand blinks"},
                  {TIMER_VOICE_REPEAT, 15, 0, false, "voice repeats"},
                  {TIMER_CLOCK, 100, 99, true, "clock ticks"},
                  {TIMER_AMBIENT, 10, 0, true, "ambient ticks"}};
    int fired[std::size(timers)] = {};
    int typed = 0, right = 0;
    long afterWarmUp = 0;
    for (int tenth = 0; tenth < kDaySeconds * 10; ++tenth) {
        for (std::size_t t = 0; t < std::size(timers); ++t) {
            if (tenth % timers[t].period == timers[t].phase &&
                (timers[t].always || testing_hooks::IsTimerRunning(d, timers[t].id))) {
                testing_hooks::FireTimer(d, timers[t].id);
                ++fired[t];
            }
        }
        if (tenth % 10 != 0)
            continue;
        const int second = tenth / 10;
        win.LetSoundsEnd();
        if (second % 3 == 1) {
            // One key in ten is wrong; the next one puts it right.
            const bool wrong = (second / 3) % 10 == 7;
            win.Type(static_cast<unsigned char>(wrong ? win.Wrong() : win.Target()));
            ++typed;
            right += wrong ? 0 : 1;
        }
        if (second % 600 == 300)
            testing_hooks::PaintNow(d);
        if (second % 3600 == 1800)
            win.Key(VK_F2);
        if (second % 7200 == 5400)
            win.Key(VK_F3 + (second / 7200) % 4);
        // The fixture's own records of sounds are not the program's memory.
        win.sounds.clear();
        win.boxes.clear();
        if (second == 3600)
            afterWarmUp = StatusKb("VmRSS");
    }
    const long atEnd = StatusKb("VmRSS");
    EXPECT_EQ(d.GetExercise().TotalTicks(), kDaySeconds / 10);
    EXPECT_EQ(d.GetExercise().TotalKeys(), typed);
    EXPECT_EQ(d.GetExercise().TotalRight(), right);
    EXPECT_EQ(d.GetScene().AppleBackground().size(), appleBytes);
    EXPECT_EQ(d.GetScene().KeyScratch().size(), scratchBytes);
    EXPECT_TRUE(testing_hooks::IsTimerRunning(d, TIMER_KEY_BLINK));
    EXPECT_EQ(d.ReportText().rfind("Test report:total", 0), 0u) << d.ReportText();
    if (kResidentSizeMeaningful) {
        EXPECT_LT(atEnd - afterWarmUp, kGrowthBoundKb) << "resident memory grew from " << afterWarmUp
                                                       << " kB after the first hour to " << atEnd << " kB at the end";
    }
    std::printf("long day:");
    for (std::size_t t = 0; t < std::size(timers); ++t)
        std::printf(" %d %s,", fired[t], timers[t].name);
    std::printf(" %d keys (%d right); resident %ld kB after the first hour, %ld kB at the end (%+ld kB)%s\n", typed,
                right, afterWarmUp, atEnd, atEnd - afterWarmUp,
                kResidentSizeMeaningful ? "" : " (not judged under AddressSanitizer)");
}
