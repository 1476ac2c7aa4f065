// The practice rules without a window: passes, judging, counters, clocks and the report figures.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "practice/TargetOrder.h"
#include "practice/Exercise.h"

TEST(TargetOrder, EachPassIsAPermutationOfTheSet)
{
    for (const int n : kSetSizes) {
        for (unsigned seed = 1; seed < 40; ++seed) {
            int order[kTargetCount] = {};
            ShuffleOrder(n, seed, order);
            std::vector<int> sorted(order, order + n);
            std::sort(sorted.begin(), sorted.end());
            for (int i = 0; i < n; ++i) {
                ASSERT_EQ(sorted[static_cast<std::size_t>(i)], i) << "n " << n << " seed " << seed;
            }
        }
    }
    // Same seconds, same order.
    int a[kTargetCount] = {}, b[kTargetCount] = {};
    ShuffleOrder(70, 1234567, a);
    ShuffleOrder(70, 1234567, b);
    EXPECT_TRUE(std::equal(a, a + 70, b));
    // Advancing drops the head and says when the pass is used up.
    int left = 3;
    int o[kTargetCount] = {5, 6, 7};
    EXPECT_FALSE(AdvanceOrder(o, left));
    EXPECT_EQ(o[0], 6);
    EXPECT_FALSE(AdvanceOrder(o, left));
    EXPECT_TRUE(AdvanceOrder(o, left));
    EXPECT_EQ(left, 0);
}

namespace {

// Types the target (or a wrong character) as the rules see it.
KeyOutcome TypeRight(Exercise& ex)
{
    return ex.Judge(static_cast<unsigned char>(ex.Target()));
}
KeyOutcome TypeWrong(Exercise& ex)
{
    return ex.Judge(ex.Target() == 'x' ? 'y' : 'x');
}
// Start as the window does it: the next target on show, then the run begins.
void Start(Exercise& ex, unsigned seed = 7)
{
    ex.NextTarget(true, seed);
    ex.Start();
}

}  // namespace

TEST(Passes, EveryTargetOnceAPassAndTheLastTwoNeverAsked)
{
    for (int set = 0; set < 4; ++set) {
        Exercise ex;
        ex.Shuffle(11);
        Start(ex);
        ex.ChooseSet(set, 12);
        Start(ex);
        const int n = kSetSizes[set];
        ASSERT_EQ(ex.SetSize(), n);
        // The set choice restarts at once, past the pass's first entry: N - 1 are left of it.
        EXPECT_EQ(ex.OrderLeft(), n - 1);
        for (int i = 0; i < n - 1; ++i) {
            ASSERT_EQ(TypeRight(ex), KeyOutcome::Right);
            ex.NextTarget(false, 13);
        }
        // A whole new pass: every target exactly once.
        ASSERT_EQ(ex.OrderLeft(), n);
        std::multiset<int> asked;
        for (int i = 0; i < n; ++i) {
            asked.insert(ex.Order()[0]);
            EXPECT_NE(ex.Target(), '.');
            EXPECT_NE(ex.Target(), '/');
            TypeRight(ex);
            ex.NextTarget(false, 14);
        }
        EXPECT_EQ(std::set<int>(asked.begin(), asked.end()).size(), static_cast<std::size_t>(n)) << "set " << set + 1;
        EXPECT_EQ(*asked.rbegin(), n - 1);
        EXPECT_EQ(ex.TotalRight(), 2 * n - 1);
        EXPECT_EQ(ex.RunRight(), 2 * n - 1);
    }
}

TEST(Passes, TheFirstStartKeepsTheHeadAndChoosingTheSameSetKeepsIt)
{
    Exercise ex;
    ex.Shuffle(99);
    const int head = ex.Order()[0];
    EXPECT_FALSE(ex.NextTarget(true, 1));  // nothing was on show yet
    ex.Start();
    EXPECT_EQ(ex.Order()[0], head);
    EXPECT_EQ(ex.OrderLeft(), 26);
    EXPECT_TRUE(ex.NextTarget(true, 1));  // a second Start skips the shown target
    EXPECT_EQ(ex.OrderLeft(), 25);
    ex.ChooseSet(0, 5);
    EXPECT_EQ(ex.SetChosen(0), 1);
    EXPECT_EQ(ex.SetSize(), 26);
    ex.ChooseSet(2, 5);
    EXPECT_EQ(ex.SetChosen(2), 1);
    EXPECT_EQ(ex.SetChosen(0), 0);
    EXPECT_EQ(ex.SetSize(), 62);
}

TEST(Judging, RightAndWrongAcrossTheSetsAndCharactersOutsideAscii)
{
    // The target's own character (0) in every set; characters outside ASCII, and a control byte. The
    // target in the other case is judged with Caps Lock below.
    struct Case {
        int set;  // 0..3
        char32_t typed;
        KeyOutcome outcome;
    };
    const Case cases[] = {
        {0, 0, KeyOutcome::Right},           {1, 0, KeyOutcome::Right},         {2, 0, KeyOutcome::Right},
        {3, 0, KeyOutcome::Right},           {0, U'é', KeyOutcome::FirstWrong}, {0, U'漢', KeyOutcome::FirstWrong},
        {0, 0x0101, KeyOutcome::FirstWrong}, {3, 8, KeyOutcome::FirstWrong},    {0, 0x1F34E, KeyOutcome::FirstWrong},
    };
    for (const Case& c : cases) {
        Exercise ex;
        ex.Shuffle(3);
        ex.ChooseSet(c.set, 4);
        Start(ex);
        const char32_t typed = c.typed != 0 ? c.typed : static_cast<unsigned char>(ex.Target());
        EXPECT_EQ(ex.Judge(typed), c.outcome) << static_cast<unsigned>(typed);
        EXPECT_EQ(ex.TotalKeys(), 1);
        EXPECT_EQ(ex.TotalRight(), c.outcome == KeyOutcome::Right ? 1 : 0);
        EXPECT_EQ(ex.WrongKeys(), c.outcome == KeyOutcome::Right ? 0 : 1);
        EXPECT_EQ(ex.HandPhase(), c.outcome == KeyOutcome::Right ? 0 : 1);
    }
}

TEST(Judging, CaseCountsOnlyInTheCaseSensitiveSetsWhereCapsLockIsNamed)
{
    // A letter target of each set typed in its own case or the other, with Caps Lock off or on.
    struct Case {
        int set;
        bool otherCase;
        bool capsLock;
        KeyOutcome outcome;
        KeyHint hint;
    };
    const Case cases[] = {
        {0, true, false, KeyOutcome::Right, KeyHint::None},
        {0, true, true, KeyOutcome::Right, KeyHint::None},
        {0, false, true, KeyOutcome::Right, KeyHint::None},
        {1, true, true, KeyOutcome::FirstWrong, KeyHint::CapsLock},
        {1, true, false, KeyOutcome::FirstWrong, KeyHint::None},
        {3, true, true, KeyOutcome::FirstWrong, KeyHint::CapsLock},
        {1, false, true, KeyOutcome::Right, KeyHint::None},
    };
    for (const Case& c : cases) {
        Exercise ex;
        ex.ChooseSet(c.set, 4);
        Start(ex);
        while (!(ex.Target() >= U'a' && ex.Target() <= U'z') && !(ex.Target() >= U'A' && ex.Target() <= U'Z')) {
            TypeRight(ex);
            ex.NextTarget(false, 5);
        }
        const char32_t t = ex.Target();
        const char32_t typed = !c.otherCase ? t : (t >= U'a' && t <= U'z' ? t - 32 : t + 32);
        EXPECT_EQ(ex.Judge(typed, c.capsLock), c.outcome) << "set " << c.set + 1 << " typed " << char(typed);
        EXPECT_EQ(ex.Hint(), c.hint) << "set " << c.set + 1 << " typed " << char(typed);
    }
    // Another letter with Caps Lock on is a plain wrong key.
    Exercise ex;
    ex.ChooseSet(1, 4);
    Start(ex);
    ex.Judge(ex.Target() == U'Q' || ex.Target() == U'q' ? U'W' : U'Q', true);
    EXPECT_EQ(ex.Hint(), KeyHint::None);
}

TEST(Judging, NothingCountsBeforeStartAndStartRestartsTheRunOnly)
{
    Exercise ex;
    ex.Shuffle(1);
    EXPECT_EQ(ex.Judge('a'), KeyOutcome::Ignored);
    EXPECT_EQ(ex.TotalKeys(), 0);
    Start(ex);
    EXPECT_EQ(TypeWrong(ex), KeyOutcome::FirstWrong);
    EXPECT_EQ(TypeWrong(ex), KeyOutcome::Wrong);
    EXPECT_EQ(TypeRight(ex), KeyOutcome::Right);
    EXPECT_EQ(ex.WrongKeys(), 0);
    ex.NextTarget(false, 2);
    EXPECT_EQ(TypeRight(ex), KeyOutcome::Right);
    EXPECT_EQ(ex.RunKeys(), 4);
    EXPECT_EQ(ex.RunRight(), 2);
    Start(ex);
    EXPECT_EQ(ex.RunKeys(), 0);
    EXPECT_EQ(ex.RunRight(), 0);
    EXPECT_EQ(ex.TotalKeys(), 4);
    EXPECT_EQ(ex.TotalRight(), 2);
}

TEST(Report, FiguresOfTheRunDifferFromTheTotals)
{
    Exercise ex;
    ex.Shuffle(1);
    ReportFigures f = ex.Figures();
    EXPECT_EQ(f.totalSpeed, 0.0);  // no tick yet: one minute is assumed, never a division by zero
    for (int i = 0; i < 12; ++i) {
        ex.ClockTick();  // two minutes before Start
    }
    Start(ex);
    TypeWrong(ex);
    TypeRight(ex);
    ex.NextTarget(false, 2);
    Start(ex);  // a new run
    for (int i = 0; i < 3; ++i) {
        ex.ClockTick();  // half a minute of this run
    }
    TypeWrong(ex);
    TypeRight(ex);
    ex.NextTarget(false, 3);
    TypeRight(ex);
    f = ex.Figures();
    const long expected[6] = {5, 3, 3, 2, 15, 3};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(f.counts[i], expected[i]) << "figure " << i;
    }
    EXPECT_DOUBLE_EQ(f.totalSpeed, 5 / 2.5);
    EXPECT_DOUBLE_EQ(f.runSpeed, 3 / 0.5);
}

TEST(Clocks, AmbientEverySixthIdleSecondAndBlinkPhasesAlternate)
{
    Exercise ex;
    int due = 0;
    for (int i = 0; i < 12; ++i) {
        due += ex.AmbientTick() ? 1 : 0;
    }
    EXPECT_EQ(due, 2);
    // A key every few seconds keeps it silent.
    for (int i = 0; i < 30; ++i) {
        EXPECT_FALSE(ex.AmbientTick());
        if (i % 4 == 3) {
            ex.KeyPressed();
        }
    }
    Start(ex);
    EXPECT_EQ(ex.TakeKeyBlinkPhase(), 1);  // the first tick hides the key
    EXPECT_EQ(ex.TakeKeyBlinkPhase(), 0);
    EXPECT_EQ(ex.TakeKeyBlinkPhase(), 1);
    TypeWrong(ex);
    EXPECT_EQ(ex.TakeHandPhase(), 1);  // the first tick shows the hand
    EXPECT_EQ(ex.TakeHandPhase(), 0);
    TypeRight(ex);
    EXPECT_EQ(ex.HandPhase(), 0);
}

TEST(Apple, TheLettersOnlySetShowsCapitals)
{
    for (int set = 0; set < 4; ++set) {
        Exercise ex;
        ex.Shuffle(5);
        ex.ChooseSet(set, 6);
        for (int i = 0; i < 80; ++i) {
            Start(ex);
            const char t = ex.Target();
            const bool lower = t >= 'a' && t <= 'z';
            EXPECT_EQ(ex.ShownCharacter(), set == 0 && lower ? t - 32 : t) << "set " << set << " '" << t << "'";
        }
    }
}
