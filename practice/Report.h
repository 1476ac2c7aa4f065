// Figures of the test report.
#pragma once

// Practice time in minutes from TIMER_CLOCK ticks of ten seconds; 1 before the first tick,
// so the speed is never divided by zero.
inline double MinutesOf(int ticks)
{
    return ticks == 0 ? 1.0 : ticks / 6.0;
}

// A typed character (a Unicode code point) against the target character.
inline bool IsTargetCharacter(unsigned long long code, char32_t target)
{
    return code == target;
}
