// A long random run of everything a user, the system and the timers can send the practice window,
// with the window's invariants checked after every single event: the order is a valid rest of a
// pass (and whole passes hold every target once), at most one apple is on the screen, the counters
// agree with each other and with what was typed, the saved pixel buffers keep their sizes.
//
// The run is reproducible from its seed (printed with every failure; POMAREL_ROBUSTNESS_SEED
// chooses another) up to the program's own randomness, which is seeded from the clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <deque>
#include <iterator>
#include <memory>
#include <random>
#include <sstream>

#include "practice/TargetOrder.h"
#include "tests/robustness/Robustness.h"
#include "tests/support/UsKeyboard.h"

namespace {

using namespace robustness;

constexpr int kScreenW = 1024;
constexpr int kScreenH = 768;
constexpr int kEvents = 100000;

constexpr UINT_PTR kTimerIds[] = {TIMER_KEY_BLINK, TIMER_VOICE_REPEAT, TIMER_HAND_BLINK,
                                  TIMER_CLOCK,     TIMER_AMBIENT,      4242};
constexpr char32_t kNonAscii[] = {U'\u00e9', U'\u20ac', U'\u6f22', U'\U0001F600', U'\uFFFD', U'\u00df', U'\u0451',
                                  U'\u00a0', U'\u200b', U'\uFEFF', U'\u0080',     U'\u009b', U'\u00ff', U'\U0010FFFD'};

enum class Kind {
    RightChar,  // the character the apple asks for
    WrongChar,  // another printable ASCII character
    AliasChar,  // a non-ASCII character whose low byte is the target's
    NonAscii,
    Control,  // C0 controls, DEL, NUL
    FKey,     // F1..F12
    Esc,
    Enter,
    Tab,
    Space,  // types a space and presses the focused button or check box
    RightClick,
    Timer,
    SetBox,  // a click on one of the four set check boxes
    Button,  // a click on Start, Help or Exit
    Paint,
    SoundsEnd,
};
// By Kind: its name and its weight in per mille in a storm of everything and in a burst of
// practice (mostly right keys with a little noise).
constexpr struct {
    const char* name;
    int storm, burst;
} kKinds[] = {
    {"right char", 200, 700}, {"wrong char", 90, 80}, {"alias char", 30, 20}, {"non-ASCII", 60, 20},
    {"control", 50, 10},      {"F", 90, 0},           {"Esc", 20, 0},         {"Enter", 25, 0},
    {"Tab", 25, 0},           {"Space", 15, 0},       {"right click", 20, 0}, {"timer", 300, 150},
    {"set box", 10, 0},       {"button", 15, 0},      {"paint", 25, 0},       {"sounds end", 40, 20},
};

struct Event {
    Kind kind;
    char32_t ch = 0;
    int n = 0;  // F-key number, set, button, timer index
    int x = 0, y = 0;
    bool yes = false;  // how an exit question is answered
};

std::string Describe(const Event& e)
{
    std::ostringstream o;
    o << kKinds[static_cast<int>(e.kind)].name;
    if (e.kind <= Kind::Control)
        o << " U+" << std::hex << static_cast<unsigned>(e.ch) << std::dec;
    if (e.kind == Kind::Timer || e.n != 0)
        o << " " << (e.kind == Kind::Timer ? kTimerIds[e.n] : e.n);
    if (e.kind == Kind::RightClick)
        o << " at " << e.x << "," << e.y;
    o << (e.yes ? " answered Yes" : "");
    return o.str();
}

struct Counters {
    int totalKeys = 0, totalRight = 0, runKeys = 0, runRight = 0;
    bool operator==(const Counters&) const = default;
};
std::ostream& operator<<(std::ostream& o, const Counters& c)
{
    return o << "total " << c.totalKeys << "/" << c.totalRight << " run " << c.runKeys << "/" << c.runRight;
}

// What the window looked like before an event, as far as the checks need it.
struct Snapshot {
    int setSize, left, started, practising, totalTicks, focus;
    char target;
    std::array<int, kTargetCount> order;
};

// What an event must do to the order and the counters. A typed character is judged first; Space
// then also presses the control that has the focus.
enum class Effect { None, Typed, Start, ChooseSet, ExitQuestion, Help, Count };
struct Outcome {
    Effect effect = Effect::None;
    bool typed = false;  // a character went to the judge
    int set = -1;        // the set chosen, 0..3
    bool right = false;  // the character typed was the target's while practising
};

// The controls the test clicks, and those F1..F12 press.
constexpr int kControls[] = {IDOK, IDC_HELP_BUTTON, IDCANCEL, IDC_SET1, IDC_SET2, IDC_SET3, IDC_SET4};
constexpr int kFKeyControls[13] = {0, IDC_HELP_BUTTON, IDOK, IDC_SET1, IDC_SET2, IDC_SET3, IDC_SET4};

// What pressing a control (or typing with it in the focus) does.
Outcome Pressed(int id, bool typed = false)
{
    using enum Effect;
    return {id == IDOK                         ? Start
            : id == IDCANCEL                   ? ExitQuestion
            : id == IDC_HELP_BUTTON            ? Help
            : id >= IDC_SET1 && id <= IDC_SET4 ? ChooseSet
                                               : None,
            typed, id - IDC_SET1};
}

// Saved pixels: apple background, key scratch, hand backgrounds.
std::array<std::size_t, 3> Buffers(PracticeDialog& d)
{
    return {d.GetScene().AppleBackground().size(), d.GetScene().KeyScratch().size(),
            d.GetScene().HandBackground(0).size() + d.GetScene().HandBackground(1).size()};
}

class RandomRun {
public:
    explicit RandomRun(unsigned seed) : m_seed(seed), m_rng(seed) { NewWindow(); }

    void Run(int events)
    {
        for (m_index = 0; m_index < events && m_error.empty(); ++m_index) {
            // Each block of 400 events begins with a burst of practice, so that passes run to their end.
            const Event e = Draw(m_index % 400 < 150);
            m_recent.push_back(Describe(e));
            if (m_recent.size() > 30)
                m_recent.pop_front();
            Apply(e);
        }
        if (m_error.empty())
            FullScan();
    }

    const std::string& Error() const { return m_error; }
    std::string Context() const
    {
        std::ostringstream o;
        o << "seed " << m_seed << " (POMAREL_ROBUSTNESS_SEED), event " << m_index << "; the last events:";
        for (const std::string& s : m_recent)
            o << "\n  " << s;
        return o.str();
    }

    int windowsEnded = 0, passesFollowed = 0, rightKeys = 0, applesChecked = 0, paints = 0;
    int effects[static_cast<int>(Effect::Count)] = {};

private:
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }

    Event Draw(bool burst)
    {
        using enum Kind;
        const auto weight = [burst](int k) { return burst ? kKinds[k].burst : kKinds[k].storm; };
        int total = 0;
        for (int k = 0; k < static_cast<int>(std::size(kKinds)); ++k)
            total += weight(k);
        int r = Pick(total);
        int kind = 0;
        for (; r >= weight(kind); ++kind)
            r -= weight(kind);
        Event e{static_cast<Kind>(kind)};
        if (burst && m_win->dlg().GetExercise().Started() == 0)
            return Event{FKey, 0, 2};
        const char32_t target = static_cast<unsigned char>(m_win->Target());
        static constexpr char32_t kHigh[] = {0x100, 0xFF00, 0x10000, 0x1F00};
        switch (e.kind) {
        case RightChar: e.ch = target; break;
        case WrongChar:
            e.ch = static_cast<char32_t>(0x20 + Pick(0x5E));
            e.ch += e.ch >= target ? 1 : 0;
            break;
        case AliasChar: e.ch = target | kHigh[Pick(4)]; break;
        case NonAscii: e.ch = kNonAscii[Pick(static_cast<int>(std::size(kNonAscii)))]; break;
        case Control:
            e.ch = static_cast<char32_t>(Pick(34));
            e.ch = e.ch < 32 ? e.ch : e.ch == 32 ? 0x7F : 0x08;
            break;
        case FKey: e.n = 1 + Pick(12); break;
        case Esc:
        case Enter:
        case Space:
        case Button:
            e.yes = Pick(8) == 0;
            e.n = Pick(3);
            break;
        case RightClick:
            e.x = Pick(kScreenW);
            e.y = Pick(kScreenH);
            break;
        case Timer: e.n = Pick(static_cast<int>(std::size(kTimerIds))); break;
        case SetBox: e.n = Pick(4); break;
        default: break;
        }
        return e;
    }

    // Records the first failure; returns 'ok'.
    template <class... Parts> bool Require(bool ok, const Parts&... what)
    {
        if (!ok && m_error.empty()) {
            std::ostringstream o;
            (o << ... << what);
            m_error = o.str();
        }
        return ok;
    }

    void NewWindow()
    {
        m_win.reset();  // its hooks go before the next window sets its own
        m_win = std::make_unique<PracticeWindow>(kScreenW, kScreenH);
        PracticeDialog& d = m_win->dlg();
        m_buffers = Buffers(d);
        m_keyboardTop = d.GetScene().KeyRectangles()[0][0].top;
        m_appleShown = false;
        m_places.clear();
        m_model = {};
        NewPass(d, false);
        Require(m_buffers[0] == static_cast<std::size_t>(kAppleBoxW * kAppleBoxH) && m_buffers[1] && m_buffers[2],
                "the window starts without its saved pixel buffers");
    }

    // Whatever is not still to come counts as asked already.
    void NewPass(PracticeDialog& d, bool fromStart)
    {
        m_consumed.assign(static_cast<std::size_t>(d.GetExercise().SetSize()), true);
        for (int i = 0; i < d.GetExercise().OrderLeft() && i < kTargetCount; ++i)
            if (d.GetExercise().Order()[i] >= 0 && d.GetExercise().Order()[i] < d.GetExercise().SetSize())
                m_consumed[static_cast<std::size_t>(d.GetExercise().Order()[i])] = false;
        m_passFromStart = fromStart || d.GetExercise().OrderLeft() == d.GetExercise().SetSize();
    }

    void Apply(const Event& e)
    {
        using enum Kind;
        using enum Effect;
        PracticeDialog& d = m_win->dlg();
        Snapshot b{d.GetExercise().SetSize(),
                   d.GetExercise().OrderLeft(),
                   d.GetExercise().Started(),
                   d.GetExercise().Practising(),
                   d.GetExercise().TotalTicks(),
                   testing_hooks::FocusedControlId(d),
                   static_cast<char>(d.GetExercise().Target()),
                   {}};
        std::copy(std::begin(d.GetExercise().Order()), std::end(d.GetExercise().Order()), b.order.begin());
        const char32_t text[1] = {e.ch};
        const int f = b.focus;
        Outcome out;
        m_win->answer = e.yes ? IDYES : IDNO;
        const std::size_t boxesBefore = m_win->boxes.size();
        switch (e.kind) {
        case RightChar:
        case WrongChar:
        case AliasChar:
        case NonAscii:
            m_win->Type(e.ch);
            out = {Typed, true};
            break;
        case Control:
            testing_hooks::PressKey(d, e.ch == 0x08 ? VK_BACK : 0, std::u32string_view(text, 1));
            out = {Typed, true};
            break;
        case FKey:
            m_win->Key(VK_F1 + e.n - 1);
            out = Pressed(kFKeyControls[e.n]);
            break;
        case Esc:
            m_win->Key(VK_ESCAPE);
            out = Pressed(IDCANCEL);
            break;
        case Enter:  // presses the push button that has the focus, else the default one (Start)
            m_win->Key(VK_RETURN);
            out = Pressed(f == IDCANCEL || f == IDC_HELP_BUTTON ? f : IDOK);
            break;
        case Tab: m_win->Key(VK_TAB); break;
        case Space:
            testing_hooks::PressKey(d, VK_SPACE, U" ");
            out = Pressed(f, true);
            break;
        case RightClick: testing_hooks::RightClick(d, e.x, e.y); break;
        case Timer: testing_hooks::FireTimer(d, kTimerIds[e.n]); break;
        case SetBox:
        case Button: {
            CButton control;
            control.Bind(&d, kControls[e.kind == SetBox ? 3 + e.n : e.n]);
            control.Click();
            out = Pressed(kControls[e.kind == SetBox ? 3 + e.n : e.n]);
            break;
        }
        case Paint:
            FullScan();  // what a paint is about to cover is looked at first
            testing_hooks::PaintNow(d);
            ++paints;
            // A paint brings the apple on show back where it was, and nothing else.
            m_places.clear();
            if (m_appleShown)
                m_places.push_back(d.GetScene().ApplePos());
            break;
        case SoundsEnd: m_win->LetSoundsEnd(); break;
        }
        // The letters-only set takes a letter in either case.
        const long long t = static_cast<signed char>(b.target);
        const bool letter = (t >= 'a' && t <= 'z') || (t >= 'A' && t <= 'Z');
        const long long typed = static_cast<long long>(e.ch);
        out.right =
            out.typed && b.practising == 1 && (typed == t || (b.setSize == 26 && letter && (typed ^ 0x20) == t));
        rightKeys += e.kind == RightChar && b.practising == 1 ? 1 : 0;
        ++effects[static_cast<int>(out.effect)];

        if (out.effect == ExitQuestion) {
            if (!Require(m_win->boxes.size() == boxesBefore + 1 && m_win->boxes.back() == d.ExitPrompt(),
                         "Exit did not ask its question"))
                return;
            if (e.yes) {
                CheckEnded(d);
                ++windowsEnded;
                return NewWindow();
            }
        }
        Require(out.effect != Help || m_win->boxes.size() == boxesBefore + 1, "Help showed no text");
        if (Require(!d.IsEnded(), "the window ended without Exit answered Yes") && CheckOrder(d, b, out) &&
            CheckCounters(d, b, e, out) && CheckTarget(d) && CheckBuffersAndTimers(d) && CheckApple(d, b, out) &&
            m_index % 100 == 99)
            FullScan();
        if (m_win->sounds.size() > 4096)
            m_win->sounds.clear();
        if (m_win->boxes.size() > 4096)
            m_win->boxes.clear();
    }

    void CheckEnded(PracticeDialog& d)
    {
        if (!Require(d.IsEnded(), "Exit answered Yes did not end the window"))
            return;
        Require(Buffers(d)[0] == 0, "Exit did not free the saved pixel buffers");
        // Messages that may still be on their way when the window ends.
        testing_hooks::PaintNow(d);
        for (const UINT_PTR id : kTimerIds)
            testing_hooks::FireTimer(d, id);
        m_win->Type('a');
    }

    // The order is a valid rest of a pass of the chosen set and moved as the event asks.
    bool CheckOrder(PracticeDialog& d, const Snapshot& b, const Outcome& out)
    {
        const int n = d.GetExercise().SetSize();
        const int left = d.GetExercise().OrderLeft();
        int chosen = -1;
        int marks = 0;
        for (int i = 0; i < 4; ++i) {
            marks += d.GetExercise().SetChosen(i);
            chosen = d.GetExercise().SetChosen(i) == 1 ? i : chosen;
            if (!Require(testing_hooks::ControlChecked(d, IDC_SET1 + i) == (d.GetExercise().SetChosen(i) == 1),
                         "check box ", IDC_SET1 + i, " does not show the chosen set"))
                return false;
        }
        if (!Require(marks == 1 && chosen >= 0 && kSetSizes[chosen] == n, "the chosen set and its size disagree: size ",
                     n) ||
            !Require(left >= 1 && left <= n, "m_nOrderLeft ", left, " outside 1..", n))
            return false;
        std::vector<bool> seen(static_cast<std::size_t>(n), false);
        for (int i = 0; i < left; ++i) {
            const int t = d.GetExercise().Order()[i];
            if (!Require(t >= 0 && t < n && !seen[static_cast<std::size_t>(t)], "m_nOrder[", i, "] = ", t,
                         " is not a fresh target of the set"))
                return false;
            seen[static_cast<std::size_t>(t)] = true;
        }
        if (!FollowPass(d, b, out))
            return false;
        const auto asked = std::count(m_consumed.begin(), m_consumed.end(), true);
        return Require(static_cast<int>(m_consumed.size()) == n && asked + left == n, asked, " targets asked and ",
                       left, " to come do not make a pass of ", n);
    }

    // Each target is asked once a pass; the order moves on by exactly the one shown, or not at all.
    bool FollowPass(PracticeDialog& d, const Snapshot& b, const Outcome& out)
    {
        const int n = d.GetExercise().SetSize();
        const int left = d.GetExercise().OrderLeft();
        if (out.effect == Effect::ChooseSet) {
            // A new pass of the chosen set; Start then moves past its head when a target was shown.
            if (!Require(n == kSetSizes[out.set] && left == n - (b.started == 1 ? 1 : 0), "choosing set ", out.set + 1,
                         " left size ", n, " and ", left, " to come"))
                return false;
            NewPass(d, left == n);
            return true;
        }
        if (out.effect == Effect::Typed ? !out.right : out.effect != Effect::Start || b.started != 1)
            return Require(n == b.setSize && left == b.left &&
                               std::equal(d.GetExercise().Order(), d.GetExercise().Order() + left, b.order.begin()),
                           "the order changed on an event that does not move it");
        const bool advanced = b.left > 1 && n == b.setSize && left == b.left - 1 &&
                              std::equal(d.GetExercise().Order(), d.GetExercise().Order() + left, b.order.begin() + 1);
        const bool wrapped = b.left == 1 && n == b.setSize && left == n;  // a permutation: checked above
        const auto head = static_cast<std::size_t>(b.order[0]);
        if (!Require(advanced || wrapped, "the order did not move on by exactly the target that was shown (left ",
                     b.left, " -> ", left, ")") ||
            !Require(!m_consumed[head], "target ", head, " was asked twice in one pass"))
            return false;
        m_consumed[head] = true;
        if (!wrapped)
            return Require(std::none_of(d.GetExercise().Order(), d.GetExercise().Order() + left,
                                        [this](int t) { return m_consumed[static_cast<std::size_t>(t)]; }),
                           "a target already asked in this pass is still to come");
        if (!Require(std::count(m_consumed.begin(), m_consumed.end(), true) == n,
                     "a pass ended before every target of the set was asked"))
            return false;
        passesFollowed += m_passFromStart ? 1 : 0;
        NewPass(d, true);
        return true;
    }

    // The counters agree with each other and with what the test typed.
    bool CheckCounters(PracticeDialog& d, const Snapshot& b, const Event& e, const Outcome& out)
    {
        const Counters now{d.GetExercise().TotalKeys(), d.GetExercise().TotalRight(), d.GetExercise().RunKeys(),
                           d.GetExercise().RunRight()};
        if (!Require(0 <= now.runRight && now.runRight <= now.runKeys && now.runKeys <= now.totalKeys &&
                         now.runRight <= now.totalRight && now.totalRight <= now.totalKeys,
                     "counters disagree: ", now))
            return false;
        if (out.typed && b.practising == 1) {
            ++m_model.totalKeys;
            ++m_model.runKeys;
            m_model.totalRight += out.right ? 1 : 0;
            m_model.runRight += out.right ? 1 : 0;
        }
        if (out.effect == Effect::Start || out.effect == Effect::ChooseSet) {
            m_model.runKeys = m_model.runRight = 0;
            if (!Require(d.GetExercise().Practising() == 1 && d.GetExercise().Started() == 1,
                         "Start did not begin the practice"))
                return false;
        }
        const int tick = e.kind == Kind::Timer && kTimerIds[e.n] == TIMER_CLOCK ? 1 : 0;
        return Require(now == m_model, "the counters are ", now, " for keys typed ", m_model) &&
               Require(d.GetExercise().TotalTicks() == b.totalTicks + tick,
                       "the total time did not follow the clock ticks") &&
               Require(d.GetDlgItemText(IDC_REPORT) == d.ReportText(), "the report box does not show the report") &&
               Require(d.GetExercise().IdleSeconds() >= 0 && d.GetExercise().IdleSeconds() <= 5, "idle seconds ",
                       d.GetExercise().IdleSeconds(), " outside 0..5");
    }

    bool CheckTarget(PracticeDialog& d)
    {
        if (d.GetExercise().Started() == 0)
            return Require(d.GetExercise().Target() == ' ' && d.GetExercise().Practising() == 0,
                           "a target before Start");
        // The US keyboard's own tables, built apart from the rules: the same target and key.
        static const UsKeyboard us;
        const int t = d.GetExercise().Order()[0];
        const char want = TargetCharacter(us.targets, us.plain, us.shifted, t);
        const char got = static_cast<char>(d.GetExercise().Target());
        return Require(got == want && d.GetExercise().TargetKey() == us.targets[t], "the target character '", got,
                       "' is not that of the order's head '", want, "'");
    }

    bool CheckBuffersAndTimers(PracticeDialog& d)
    {
        using testing_hooks::IsTimerRunning;
        return Require(Buffers(d) == m_buffers, "a saved pixel buffer changed its size") &&
               Require(IsTimerRunning(d, TIMER_CLOCK) && IsTimerRunning(d, TIMER_AMBIENT),
                       "the clock or ambient timer stopped") &&
               Require(IsTimerRunning(d, TIMER_KEY_BLINK) == (d.GetExercise().Started() == 1),
                       "the key blinks exactly from the first Start on") &&
               // The hand blinks from the first wrong key of a target to its right key.
               Require(IsTimerRunning(d, TIMER_HAND_BLINK) == (d.GetExercise().WrongKeys() > 0),
                       "the hand prompt blinks ", d.GetExercise().WrongKeys() > 0 ? "not " : "", "after ",
                       d.GetExercise().WrongKeys(), " wrong keys") &&
               Require(((d.GetExercise().HandPhase() | d.GetExercise().KeyBlinkPhase()) & ~1) == 0,
                       "a blink phase is neither 0 nor 1");
    }

    bool CheckApple(PracticeDialog& d, const Snapshot& b, const Outcome& out)
    {
        const bool shown = d.GetExercise().OrderLeft() != b.left || d.GetExercise().SetSize() != b.setSize ||
                           out.effect == Effect::Start || out.effect == Effect::ChooseSet ||
                           !std::equal(d.GetExercise().Order(), d.GetExercise().Order() + d.GetExercise().OrderLeft(),
                                       b.order.begin());
        m_appleShown = m_appleShown || (d.GetExercise().Started() == 1 && shown);
        if (d.GetExercise().Started() == 1 &&
            std::find(m_places.begin(), m_places.end(), d.GetScene().ApplePos()) == m_places.end())
            m_places.push_back(d.GetScene().ApplePos());
        // Apples are drawn only at the places apples have been since the last paint.
        std::vector<RECT> boxes;
        std::transform(m_places.begin(), m_places.end(), std::back_inserter(boxes), AppleBox);
        return boxes.empty() || ExpectApples(d, boxes);
    }

    // Every row an apple can reach, whole width: finds an apple wherever it was drawn.
    void FullScan() { ExpectApples(m_win->dlg(), {RECT{0, 0, kScreenW, std::min(m_keyboardTop, kAppleRowsEnd)}}); }

    // Yellow pixels in the union of the rectangles.
    int CountYellow(const std::vector<RECT>& areas)
    {
        Surface& s = m_win->screen();
        const auto earlier = [&areas](auto a, int x, int y) {
            return std::any_of(areas.begin(), a, [x, y](const RECT& r) {
                return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
            });
        };
        int n = 0;
        for (auto a = areas.begin(); a != areas.end(); ++a)
            for (int y = std::max(a->top, 0); y < std::min(a->bottom, s.Height()); ++y)
                for (int x = std::max(a->left, 0); x < std::min(a->right, s.Width()); ++x)
                    n += s.Row(y)[x] == kYellow && !earlier(a, x, y) ? 1 : 0;
        return n;
    }

    // No yellow in the areas but the one apple in its box, when an apple is up.
    bool ExpectApples(PracticeDialog& d, const std::vector<RECT>& areas)
    {
        const int total = CountYellow(areas);
        if (!m_appleShown)
            return Require(total == 0, total, " yellow pixels where no apple should be");
        ++applesChecked;
        const RECT box = AppleBox(d.GetScene().ApplePos());
        const int inBox = CountYellow({box});
        if (!Require(inBox == total, total - inBox, " yellow pixels outside the apple's box at ", box.left, ",",
                     box.top))
            return false;
        // The shape of an apple that is still where it was, as many pixels as when it was last
        // looked at whole, is not looked at again.
        if (d.GetScene().ApplePos() == m_verifiedPos && inBox == m_verifiedPixels)
            return true;
        const std::string problem = AppleProblem(m_win->screen(), box);
        if (problem.empty()) {
            m_verifiedPos = d.GetScene().ApplePos();
            m_verifiedPixels = inBox;
        }
        return Require(problem.empty(), problem, ", target '", static_cast<char>(d.GetExercise().Target()), "'");
    }

    unsigned m_seed;
    std::mt19937 m_rng;
    int m_index = 0;
    std::string m_error;
    std::deque<std::string> m_recent;
    std::unique_ptr<PracticeWindow> m_win;
    std::array<std::size_t, 3> m_buffers{};
    int m_keyboardTop = 0;
    bool m_appleShown = false;    // an apple is on show (a paint draws it again)
    POINT m_verifiedPos{-1, -1};  // the apple last found whole, and its yellow pixels
    int m_verifiedPixels = -1;
    std::vector<POINT> m_places;   // where apples were drawn since the last paint
    std::vector<bool> m_consumed;  // targets of the current pass already asked
    bool m_passFromStart = false;
    Counters m_model;  // the counters as they must be, from what the test typed
};

}  // namespace

TEST(RandomEvents, EveryEventKeepsTheWindowConsistent)
{
    const char* env = std::getenv("POMAREL_ROBUSTNESS_SEED");
    const unsigned seed = env != nullptr ? static_cast<unsigned>(std::strtoul(env, nullptr, 10)) : 20240611u;
    RandomRun run(seed);
    run.Run(kEvents);
    EXPECT_EQ(run.Error(), "") << run.Context();
    const int* n = run.effects;  // by Effect
    std::printf("random run: seed %u, %d events, %d right keys, %d whole passes followed, %d windows ended by Exit, "
                "%d paints, %d apple checks; %d typed, %d Starts, %d set choices, %d exit questions, %d help texts\n",
                seed, kEvents, run.rightKeys, run.passesFollowed, run.windowsEnded, run.paints, run.applesChecked, n[1],
                n[2], n[3], n[4], n[5]);
    // The mix must really have reached the ends of passes and of windows.
    EXPECT_GT(run.passesFollowed, 10) << "seed " << seed;
    EXPECT_GT(run.windowsEnded, 5) << "seed " << seed;
}
