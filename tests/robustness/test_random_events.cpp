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
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "practice/TargetOrder.h"
#include "tests/support/DialogFixture.h"

namespace {

constexpr int kScreenW = 1024;
constexpr int kScreenH = 768;
constexpr int kEvents = 100000;

constexpr std::uint32_t kYellow = ToScreenPixel(RGB(255, 255, 0));
// The apple box: 54 x 71 pixels from m_applePos.
constexpr int kAppleBoxW = 54;
constexpr int kAppleBoxH = 71;
// Apple boxes end above row 388, the trunk markers' level.
constexpr int kAppleRowsEnd = 388;
// Yellow pixels of one whole apple: 2060 inside the outline and the 193 of the outline, less
// what the red character covers.
constexpr int kAppleMostPixels = 2060 + 193;
constexpr int kAppleFewestPixels = 1500;

constexpr UINT_PTR kTimerIds[] = {TIMER_KEY_BLINK, TIMER_VOICE_REPEAT, TIMER_HAND_BLINK,
                                  TIMER_CLOCK,     TIMER_AMBIENT,      4242};
constexpr char32_t kNonAscii[] = {U'\u00e9', U'\u20ac', U'\u6f22', U'\U0001F600', U'\uFFFD', U'\u00df', U'\u0451',
                                  U'\u00a0', U'\u200b', U'\uFEFF', U'\u0080',     U'\u009b', U'\u00ff', U'\U0010FFFD'};

unsigned RunSeed()
{
    const char* s = std::getenv("POMAREL_ROBUSTNESS_SEED");
    return s != nullptr ? static_cast<unsigned>(std::strtoul(s, nullptr, 10)) : 20240611u;
}

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
    switch (e.kind) {
    case Kind::RightChar: o << "right char U+" << std::hex << static_cast<unsigned>(e.ch); break;
    case Kind::WrongChar: o << "wrong char U+" << std::hex << static_cast<unsigned>(e.ch); break;
    case Kind::AliasChar: o << "alias char U+" << std::hex << static_cast<unsigned>(e.ch); break;
    case Kind::NonAscii: o << "non-ASCII U+" << std::hex << static_cast<unsigned>(e.ch); break;
    case Kind::Control: o << "control U+" << std::hex << static_cast<unsigned>(e.ch); break;
    case Kind::FKey: o << "F" << e.n; break;
    case Kind::Esc: o << "Esc answered " << (e.yes ? "Yes" : "No"); break;
    case Kind::Enter: o << "Enter (answer " << (e.yes ? "Yes" : "No") << ")"; break;
    case Kind::Tab: o << "Tab"; break;
    case Kind::Space: o << "Space (answer " << (e.yes ? "Yes" : "No") << ")"; break;
    case Kind::RightClick: o << "right click " << e.x << "," << e.y; break;
    case Kind::Timer: o << "timer " << kTimerIds[e.n]; break;
    case Kind::SetBox: o << "check box of set " << e.n + 1; break;
    case Kind::Button:
        o << (e.n == 0 ? "Start" : e.n == 1 ? "Help" : "Exit") << " button (answer " << (e.yes ? "Yes" : "No") << ")";
        break;
    case Kind::Paint: o << "paint"; break;
    case Kind::SoundsEnd: o << "sounds end"; break;
    }
    return o.str();
}

// What the window looked like before an event, as far as the checks need it.
struct Snapshot {
    int setSize = 0;
    int left = 0;
    std::array<int, kTargetCount> order{};
    int started = 0;
    int practising = 0;
    int totalKeys = 0, totalRight = 0, runKeys = 0, runRight = 0;
    int totalTicks = 0, ticks = 0;
    char target = ' ';
    int focus = 0;
};

Snapshot Take(PracticeDialog& d)
{
    Snapshot s;
    s.setSize = d.m_nSetSize;
    s.left = d.m_nOrderLeft;
    std::copy(std::begin(d.m_nOrder), std::end(d.m_nOrder), s.order.begin());
    s.started = d.m_bStarted;
    s.practising = d.m_bPractising;
    s.totalKeys = d.m_nTotalKeys;
    s.totalRight = d.m_nTotalRight;
    s.runKeys = d.m_nRunKeys;
    s.runRight = d.m_nRunRight;
    s.totalTicks = d.m_nTotalTicks;
    s.ticks = d.m_nTicks;
    s.target = d.m_chTarget;
    s.focus = testing_hooks::FocusedControlId(d);
    return s;
}

// What an event must do to the order and the counters. A typed character is judged first; Space
// then also presses the control that has the focus.
enum class Effect { None, Typed, Start, ChooseSet, ExitQuestion, Help };

struct Outcome {
    Effect effect = Effect::None;
    bool typed = false;  // a character went to the judge
    int set = -1;        // the set chosen, 0..3
};

// Yellow connected regions (4-neighbourhood) inside a rectangle of the screen.
struct YellowRegions {
    int count = 0;
    std::vector<int> sizes;
    std::vector<RECT> bounds;  // right and bottom exclusive
};

YellowRegions FindYellow(Surface& screen, RECT area)
{
    area.left = std::max<int>(area.left, 0);
    area.top = std::max<int>(area.top, 0);
    area.right = std::min<int>(area.right, screen.Width());
    area.bottom = std::min<int>(area.bottom, screen.Height());
    YellowRegions out;
    if (area.left >= area.right || area.top >= area.bottom) {
        return out;
    }
    const int w = area.right - area.left;
    const int h = area.bottom - area.top;
    std::vector<unsigned char> seen(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
    std::vector<std::pair<int, int>> stack;
    for (int y = area.top; y < area.bottom; ++y) {
        const std::uint32_t* row = screen.Row(y);
        for (int x = area.left; x < area.right; ++x) {
            const std::size_t at = static_cast<std::size_t>(y - area.top) * static_cast<std::size_t>(w) +
                                   static_cast<std::size_t>(x - area.left);
            if (row[x] != kYellow || seen[at] != 0) {
                continue;
            }
            int size = 0;
            RECT b{x, y, x + 1, y + 1};
            seen[at] = 1;
            stack.assign(1, {x, y});
            while (!stack.empty()) {
                const auto [px, py] = stack.back();
                stack.pop_back();
                ++size;
                b.left = std::min<int>(b.left, px);
                b.top = std::min<int>(b.top, py);
                b.right = std::max<int>(b.right, px + 1);
                b.bottom = std::max<int>(b.bottom, py + 1);
                const int nx[4] = {px - 1, px + 1, px, px};
                const int ny[4] = {py, py, py - 1, py + 1};
                for (int k = 0; k < 4; ++k) {
                    if (nx[k] < area.left || nx[k] >= area.right || ny[k] < area.top || ny[k] >= area.bottom) {
                        continue;
                    }
                    const std::size_t n = static_cast<std::size_t>(ny[k] - area.top) * static_cast<std::size_t>(w) +
                                          static_cast<std::size_t>(nx[k] - area.left);
                    if (seen[n] == 0 && screen.Row(ny[k])[nx[k]] == kYellow) {
                        seen[n] = 1;
                        stack.emplace_back(nx[k], ny[k]);
                    }
                }
            }
            ++out.count;
            out.sizes.push_back(size);
            out.bounds.push_back(b);
        }
    }
    return out;
}

bool Inside(const RECT& r, int x, int y)
{
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// Yellow pixels in the union of the rectangles.
int CountYellow(Surface& screen, const std::vector<RECT>& areas)
{
    int n = 0;
    for (std::size_t i = 0; i < areas.size(); ++i) {
        const RECT& a = areas[i];
        const int left = std::max<int>(a.left, 0);
        const int right = std::min<int>(a.right, screen.Width());
        for (int y = std::max<int>(a.top, 0); y < std::min<int>(a.bottom, screen.Height()); ++y) {
            const std::uint32_t* row = screen.Row(y);
            for (int x = left; x < right; ++x) {
                if (row[x] == kYellow && std::none_of(areas.begin(), areas.begin() + static_cast<std::ptrdiff_t>(i),
                                                      [x, y](const RECT& earlier) { return Inside(earlier, x, y); })) {
                    ++n;
                }
            }
        }
    }
    return n;
}

RECT AppleBox(POINT p)
{
    return {p.x, p.y, p.x + kAppleBoxW, p.y + kAppleBoxH};
}

class RandomRun {
public:
    explicit RandomRun(unsigned seed) : m_seed(seed), m_rng(seed) { NewWindow(); }

    void Run(int events)
    {
        for (m_index = 0; m_index < events && m_error.empty(); ++m_index) {
            // Each block of 400 events begins with a burst of practice, so that passes run to their end.
            const bool burst = m_index % 400 < 150;
            const Event e = Draw(burst);
            m_recent.push_back(Describe(e));
            if (m_recent.size() > 30) {
                m_recent.pop_front();
            }
            Apply(e);
        }
        if (m_error.empty()) {
            FullScan();
        }
    }

    const std::string& Error() const { return m_error; }
    std::string Context() const
    {
        std::ostringstream o;
        o << "seed " << m_seed << " (POMAREL_ROBUSTNESS_SEED), event " << m_index << "; the last events:";
        for (const std::string& s : m_recent) {
            o << "\n  " << s;
        }
        return o.str();
    }

    int windowsEnded = 0;
    int effects[6] = {};  // events by Effect
    int passesFollowed = 0;
    int rightKeys = 0;
    int applesChecked = 0;
    int paints = 0;

private:
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }
    bool Chance(int percent) { return Pick(100) < percent; }

    Event Draw(bool burst)
    {
        // Weights in per mille; a burst is mostly right keys with a little noise.
        struct W {
            Kind kind;
            int storm;
            int burst;
        };
        static constexpr W kWeights[] = {
            {Kind::RightChar, 200, 700}, {Kind::WrongChar, 90, 80}, {Kind::AliasChar, 30, 20},
            {Kind::NonAscii, 60, 20},    {Kind::Control, 50, 10},   {Kind::FKey, 90, 0},
            {Kind::Esc, 20, 0},          {Kind::Enter, 25, 0},      {Kind::Tab, 25, 0},
            {Kind::Space, 15, 0},        {Kind::RightClick, 20, 0}, {Kind::Timer, 300, 150},
            {Kind::SetBox, 10, 0},       {Kind::Button, 15, 0},     {Kind::Paint, 25, 0},
            {Kind::SoundsEnd, 40, 20},
        };
        int total = 0;
        for (const W& w : kWeights) {
            total += burst ? w.burst : w.storm;
        }
        int r = Pick(total);
        Kind kind = Kind::Timer;
        for (const W& w : kWeights) {
            const int weight = burst ? w.burst : w.storm;
            if (r < weight) {
                kind = w.kind;
                break;
            }
            r -= weight;
        }
        Event e{kind};
        if (burst && m_win->dlg().m_bStarted == 0) {
            Event start{Kind::FKey};
            start.n = 2;
            return start;
        }
        const char32_t target = static_cast<unsigned char>(m_win->Target());
        switch (kind) {
        case Kind::RightChar: e.ch = target; break;
        case Kind::WrongChar: {
            // Printable ASCII, the target left out.
            const int c = 0x20 + Pick(0x5E);
            e.ch = static_cast<char32_t>(c) >= target ? static_cast<char32_t>(c + 1) : static_cast<char32_t>(c);
            break;
        }
        case Kind::AliasChar: {
            static constexpr char32_t kHigh[] = {0x100, 0xFF00, 0x10000, 0x1F00};
            e.ch = target | kHigh[Pick(4)];
            break;
        }
        case Kind::NonAscii: e.ch = kNonAscii[Pick(static_cast<int>(std::size(kNonAscii)))]; break;
        case Kind::Control: {
            const int c = Pick(34);
            e.ch = c < 32 ? static_cast<char32_t>(c) : c == 32 ? char32_t{0x7F} : char32_t{0x08};
            break;
        }
        case Kind::FKey: e.n = 1 + Pick(12); break;
        case Kind::Esc:
        case Kind::Enter:
        case Kind::Space:
        case Kind::Button:
            e.yes = Pick(8) == 0;
            e.n = Pick(3);
            break;
        case Kind::RightClick:
            e.x = Pick(kScreenW);
            e.y = Pick(kScreenH);
            break;
        case Kind::Timer: e.n = Pick(static_cast<int>(std::size(kTimerIds))); break;
        case Kind::SetBox: e.n = Pick(4); break;
        default: break;
        }
        return e;
    }

    void NewWindow()
    {
        m_win.reset();  // its hooks go before the next window sets its own
        m_win = std::make_unique<PracticeWindow>(kScreenW, kScreenH);
        PracticeDialog& d = m_win->dlg();
        m_appleBytes = d.m_appleBackground.size();
        m_scratchBytes = d.m_pKeyScratch.size();
        m_keyBytes = KeyPixelCount(d);
        m_handBytes = d.m_leftHandBackground.size() + d.m_rightHandBackground.size();
        m_keyboardTop = d.m_rcKey[0][0].top;
        m_appleShown = false;
        m_places.clear();
        m_model = {};
        NewPass(d, false);
        if (m_appleBytes != static_cast<std::size_t>(kAppleBoxW * kAppleBoxH) || m_handBytes == 0 || m_keyBytes == 0) {
            Fail("the window starts without its saved pixel buffers");
        }
    }

    static std::size_t KeyPixelCount(PracticeDialog& d)
    {
        std::size_t n = 0;
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < kKeyCols; ++c) {
                n += d.m_pKeyPixels[r][c].size();
            }
        }
        return n;
    }

    void NewPass(PracticeDialog& d, bool seenFromStart)
    {
        m_consumed.assign(static_cast<std::size_t>(d.m_nSetSize), false);
        std::vector<bool> present(static_cast<std::size_t>(d.m_nSetSize), false);
        for (int i = 0; i < d.m_nOrderLeft && i < kTargetCount; ++i) {
            if (d.m_nOrder[i] >= 0 && d.m_nOrder[i] < d.m_nSetSize) {
                present[static_cast<std::size_t>(d.m_nOrder[i])] = true;
            }
        }
        // Whatever is not still to come counts as asked already.
        for (std::size_t i = 0; i < present.size(); ++i) {
            m_consumed[i] = !present[i];
        }
        m_passFromStart = seenFromStart || d.m_nOrderLeft == d.m_nSetSize;
    }

    void Fail(const std::string& what)
    {
        if (m_error.empty()) {
            m_error = what;
        }
    }

    void Apply(const Event& e)
    {
        PracticeDialog& d = m_win->dlg();
        const Snapshot before = Take(d);
        Outcome out;
        Effect& effect = out.effect;
        m_win->answer = e.yes ? IDYES : IDNO;
        const std::size_t boxesBefore = m_win->boxes.size();
        switch (e.kind) {
        case Kind::RightChar:
        case Kind::WrongChar:
        case Kind::AliasChar:
        case Kind::NonAscii:
            m_win->Type(e.ch);
            effect = Effect::Typed;
            out.typed = true;
            break;
        case Kind::Control: {
            const char32_t text[1] = {e.ch};
            testing_hooks::PressKey(d, e.ch == 0x08 ? VK_BACK : 0, std::u32string_view(text, 1));
            effect = Effect::Typed;
            out.typed = true;
            break;
        }
        case Kind::FKey:
            m_win->Key(VK_F1 + e.n - 1);
            effect = e.n == 1 ? Effect::Help : e.n == 2 ? Effect::Start : e.n <= 6 ? Effect::ChooseSet : Effect::None;
            out.set = e.n - 3;
            break;
        case Kind::Esc:
            m_win->Key(VK_ESCAPE);
            effect = Effect::ExitQuestion;
            break;
        case Kind::Enter:
            m_win->Key(VK_RETURN);
            // Enter presses the push button that has the focus, else the default one (Start).
            effect = before.focus == IDCANCEL          ? Effect::ExitQuestion
                     : before.focus == IDC_HELP_BUTTON ? Effect::Help
                                                       : Effect::Start;
            break;
        case Kind::Tab: m_win->Key(VK_TAB); break;
        case Kind::Space:
            testing_hooks::PressKey(d, VK_SPACE, U" ");
            out.typed = true;
            effect = before.focus == IDOK                                   ? Effect::Start
                     : before.focus == IDCANCEL                             ? Effect::ExitQuestion
                     : before.focus == IDC_HELP_BUTTON                      ? Effect::Help
                     : before.focus >= IDC_SET1 && before.focus <= IDC_SET4 ? Effect::ChooseSet
                                                                            : Effect::None;
            out.set = before.focus - IDC_SET1;
            break;
        case Kind::RightClick: testing_hooks::RightClick(d, e.x, e.y); break;
        case Kind::Timer: testing_hooks::FireTimer(d, kTimerIds[e.n]); break;
        case Kind::SetBox: {
            CButton* boxes[4] = {&d.m_chkSet1, &d.m_chkSet2, &d.m_chkSet3, &d.m_chkSet4};
            boxes[e.n]->Click();
            effect = Effect::ChooseSet;
            out.set = e.n;
            break;
        }
        case Kind::Button: {
            CButton* buttons[3] = {&d.m_btnStart, &d.m_btnHelp, &d.m_btnExit};
            buttons[e.n]->Click();
            effect = e.n == 0 ? Effect::Start : e.n == 1 ? Effect::Help : Effect::ExitQuestion;
            break;
        }
        case Kind::Paint:
            // What a paint is about to cover is looked at first.
            FullScan();
            testing_hooks::PaintNow(d);
            ++paints;
            m_appleShown = false;
            m_places.clear();
            break;
        case Kind::SoundsEnd: m_win->LetSoundsEnd(); break;
        }

        ++effects[static_cast<int>(effect)];
        if (effect == Effect::ExitQuestion) {
            if (m_win->boxes.size() != boxesBefore + 1 || m_win->boxes.back() != d.m_strExitPrompt) {
                Fail("Exit did not ask its question");
                return;
            }
            if (e.yes) {
                CheckEnded(d);
                ++windowsEnded;
                NewWindow();
                return;
            }
        }
        if (effect == Effect::Help && m_win->boxes.size() != boxesBefore + 1) {
            Fail("Help showed no text");
        }
        if (d.IsEnded()) {
            Fail("the window ended without Exit answered Yes");
            return;
        }
        if (e.kind == Kind::RightChar && before.practising == 1) {
            ++rightKeys;
        }
        CheckOrder(d, before, e, out);
        CheckCounters(d, before, e, out);
        CheckTarget(d);
        CheckBuffersAndTimers(d);
        CheckApple(d, before, effect);
        if (m_index % 100 == 99) {
            FullScan();
        }
        if (m_win->sounds.size() > 4096) {
            m_win->sounds.clear();
        }
        if (m_win->boxes.size() > 4096) {
            m_win->boxes.clear();
        }
    }

    void CheckEnded(PracticeDialog& d)
    {
        if (!d.IsEnded()) {
            Fail("Exit answered Yes did not end the window");
            return;
        }
        if (!d.m_appleBackground.empty() || KeyPixelCount(d) != 0) {
            Fail("Exit did not free the saved pixel buffers");
        }
        // Messages that may still be on their way when the window ends.
        testing_hooks::PaintNow(d);
        for (const UINT_PTR id : kTimerIds) {
            testing_hooks::FireTimer(d, id);
        }
        m_win->Type('a');
    }

    void CheckOrder(PracticeDialog& d, const Snapshot& b, const Event& e, const Outcome& out)
    {
        CheckOrderMove(d, b, e, out);
        if (!m_error.empty()) {
            return;
        }
        // A valid rest of a pass: what is still to come and what was asked make the whole set.
        const auto asked = std::count(m_consumed.begin(), m_consumed.end(), true);
        if (static_cast<int>(m_consumed.size()) != d.m_nSetSize || asked + d.m_nOrderLeft != d.m_nSetSize) {
            Fail(std::to_string(asked) + " targets asked and " + std::to_string(d.m_nOrderLeft) +
                 " to come do not make a pass of " + std::to_string(d.m_nSetSize));
        }
    }

    void CheckOrderMove(PracticeDialog& d, const Snapshot& b, const Event& e, const Outcome& out)
    {
        const Effect effect = out.effect;
        const int n = d.m_nSetSize;
        const int left = d.m_nOrderLeft;
        int chosen = -1;
        int marks = 0;
        for (int i = 0; i < 4; ++i) {
            marks += d.m_bSetChosen[i];
            if (d.m_bSetChosen[i] == 1) {
                chosen = i;
            }
            const int id = IDC_SET1 + i;
            if (testing_hooks::ControlChecked(d, id) != (d.m_bSetChosen[i] == 1)) {
                Fail("check box " + std::to_string(id) + " does not show the chosen set");
                return;
            }
        }
        if (marks != 1 || chosen < 0 || kSetSizes[chosen] != n) {
            Fail("the chosen set and its size disagree: size " + std::to_string(n));
            return;
        }
        if (left < 1 || left > n) {
            Fail("m_nOrderLeft " + std::to_string(left) + " outside 1.." + std::to_string(n));
            return;
        }
        std::vector<bool> seen(static_cast<std::size_t>(n), false);
        for (int i = 0; i < left; ++i) {
            const int t = d.m_nOrder[i];
            if (t < 0 || t >= n || seen[static_cast<std::size_t>(t)]) {
                Fail("m_nOrder[" + std::to_string(i) + "] = " + std::to_string(t) +
                     " is not a fresh target of the set");
                return;
            }
            seen[static_cast<std::size_t>(t)] = true;
        }

        const bool same =
            n == b.setSize && left == b.left && std::equal(d.m_nOrder, d.m_nOrder + left, b.order.begin());
        const bool advanced = b.left > 1 && n == b.setSize && left == b.left - 1 &&
                              std::equal(d.m_nOrder, d.m_nOrder + left, b.order.begin() + 1);
        const bool wrapped = b.left == 1 && n == b.setSize && left == n;  // a permutation: checked above
        const bool typedRight =
            out.typed && b.practising == 1 &&
            static_cast<long long>(e.ch) == static_cast<long long>(static_cast<signed char>(b.target));
        bool expectMove = false;
        switch (effect) {
        case Effect::Typed: expectMove = typedRight; break;
        case Effect::Start: expectMove = b.started == 1; break;
        case Effect::ChooseSet: {
            const int want = out.set;
            // A new pass of the chosen set; Start then moves past its head when a target was shown.
            if (n != kSetSizes[want] || left != n - (b.started == 1 ? 1 : 0)) {
                Fail("choosing set " + std::to_string(want + 1) + " left size " + std::to_string(n) + " and " +
                     std::to_string(left) + " to come");
                return;
            }
            NewPass(d, left == n);
            return;
        }
        default: break;
        }
        if (!expectMove) {
            if (!same) {
                Fail("the order changed on an event that does not move it");
            }
            return;
        }
        if (!advanced && !wrapped) {
            Fail("the order did not move on by exactly the target that was shown (left " + std::to_string(b.left) +
                 " -> " + std::to_string(left) + ")");
            return;
        }
        const auto head = static_cast<std::size_t>(b.order[0]);
        if (m_consumed[head]) {
            Fail("target " + std::to_string(head) + " was asked twice in one pass");
            return;
        }
        m_consumed[head] = true;
        if (wrapped) {
            if (std::count(m_consumed.begin(), m_consumed.end(), true) != n) {
                Fail("a pass ended before every target of the set was asked");
                return;
            }
            if (m_passFromStart) {
                ++passesFollowed;
            }
            NewPass(d, true);
            return;
        }
        for (int i = 0; i < left; ++i) {
            if (m_consumed[static_cast<std::size_t>(d.m_nOrder[i])]) {
                Fail("a target already asked in this pass is still to come");
                return;
            }
        }
    }

    void CheckCounters(PracticeDialog& d, const Snapshot& b, const Event& e, const Outcome& out)
    {
        const Effect effect = out.effect;
        if (!(0 <= d.m_nRunRight && d.m_nRunRight <= d.m_nRunKeys && d.m_nRunKeys <= d.m_nTotalKeys &&
              d.m_nRunRight <= d.m_nTotalRight && d.m_nTotalRight <= d.m_nTotalKeys)) {
            Fail("counters disagree: total " + std::to_string(d.m_nTotalKeys) + "/" + std::to_string(d.m_nTotalRight) +
                 " run " + std::to_string(d.m_nRunKeys) + "/" + std::to_string(d.m_nRunRight));
            return;
        }
        // The counters as they must be, kept by the test from what it typed.
        if (out.typed && b.practising == 1) {
            const bool right =
                static_cast<long long>(e.ch) == static_cast<long long>(static_cast<signed char>(b.target));
            ++m_model.totalKeys;
            ++m_model.runKeys;
            m_model.totalRight += right ? 1 : 0;
            m_model.runRight += right ? 1 : 0;
        }
        if (effect == Effect::Start || effect == Effect::ChooseSet) {
            m_model.runKeys = 0;
            m_model.runRight = 0;
            if (d.m_bPractising != 1 || d.m_bStarted != 1) {
                Fail("Start did not begin the practice");
            }
        }
        if (d.m_nTotalKeys != m_model.totalKeys || d.m_nTotalRight != m_model.totalRight ||
            d.m_nRunKeys != m_model.runKeys || d.m_nRunRight != m_model.runRight) {
            Fail("the counters are total " + std::to_string(d.m_nTotalKeys) + "/" + std::to_string(d.m_nTotalRight) +
                 " run " + std::to_string(d.m_nRunKeys) + "/" + std::to_string(d.m_nRunRight) + " for keys typed " +
                 std::to_string(m_model.totalKeys) + "/" + std::to_string(m_model.totalRight) + " run " +
                 std::to_string(m_model.runKeys) + "/" + std::to_string(m_model.runRight));
            return;
        }
        const int tick = e.kind == Kind::Timer && kTimerIds[e.n] == TIMER_CLOCK ? 1 : 0;
        if (d.m_nTotalTicks != b.totalTicks + tick) {
            Fail("the total time did not follow the clock ticks");
        }
        if (d.GetDlgItemText(IDC_REPORT) != d.m_strReport) {
            Fail("the report box does not show the report");
        }
        if (d.m_nIdleSeconds < 0 || d.m_nIdleSeconds > 5) {
            Fail("idle seconds " + std::to_string(d.m_nIdleSeconds) + " outside 0..5");
        }
    }

    void CheckTarget(PracticeDialog& d)
    {
        if (d.m_bStarted == 0) {
            if (d.m_chTarget != ' ' || d.m_bPractising != 0) {
                Fail("a target before Start");
            }
            return;
        }
        const int t = d.m_nOrder[0];
        const char want = TargetCharacter(d.m_targetKey, d.m_keyChar, d.m_keyShiftChar, t);
        if (d.m_chTarget != want || d.m_nTargetRow != d.m_targetKey[t].row || d.m_nTargetCol != d.m_targetKey[t].col) {
            Fail(std::string("the target character '") + d.m_chTarget + "' is not that of the order's head '" + want +
                 "'");
        }
    }

    void CheckBuffersAndTimers(PracticeDialog& d)
    {
        if (d.m_appleBackground.size() != m_appleBytes || d.m_pKeyScratch.size() != m_scratchBytes ||
            KeyPixelCount(d) != m_keyBytes ||
            d.m_leftHandBackground.size() + d.m_rightHandBackground.size() != m_handBytes) {
            Fail("a saved pixel buffer changed its size");
            return;
        }
        if (!testing_hooks::IsTimerRunning(d, TIMER_CLOCK) || !testing_hooks::IsTimerRunning(d, TIMER_AMBIENT)) {
            Fail("the clock or ambient timer stopped");
        }
        if (testing_hooks::IsTimerRunning(d, TIMER_KEY_BLINK) != (d.m_bStarted == 1)) {
            Fail("the key blinks exactly from the first Start on");
        }
        // The hand blinks from the first wrong key of a target to its right key.
        if (testing_hooks::IsTimerRunning(d, TIMER_HAND_BLINK) != (d.m_nWrongKeys > 0)) {
            Fail("the hand prompt blinks " + std::string(d.m_nWrongKeys > 0 ? "not " : "") + "after " +
                 std::to_string(d.m_nWrongKeys) + " wrong keys");
        }
        if ((d.m_nHandPhase & ~1) != 0 || (d.m_nKeyBlinkPhase & ~1) != 0) {
            Fail("a blink phase is neither 0 nor 1");
        }
    }

    void CheckApple(PracticeDialog& d, const Snapshot& b, Effect effect)
    {
        const bool shown = d.m_bStarted == 1 && (d.m_nOrderLeft != b.left || d.m_nSetSize != b.setSize ||
                                                 effect == Effect::Start || effect == Effect::ChooseSet ||
                                                 !std::equal(d.m_nOrder, d.m_nOrder + d.m_nOrderLeft, b.order.begin()));
        if (shown) {
            m_appleShown = true;
        }
        if (d.m_bStarted == 1 && std::find(m_places.begin(), m_places.end(), d.m_applePos) == m_places.end()) {
            m_places.push_back(d.m_applePos);
        }
        if (m_places.empty()) {
            return;
        }
        // Apples are drawn only at the places apples have been since the last paint.
        std::vector<RECT> boxes;
        for (const POINT& p : m_places) {
            boxes.push_back(AppleBox(p));
        }
        ExpectApples(d, boxes);
    }

    // Every row an apple can reach, whole width: finds an apple wherever it was drawn.
    void FullScan() { ExpectApples(m_win->dlg(), {RECT{0, 0, kScreenW, std::min(m_keyboardTop, kAppleRowsEnd)}}); }

    // No yellow in the areas but the one apple in its box, when an apple is up.
    void ExpectApples(PracticeDialog& d, const std::vector<RECT>& areas)
    {
        const int total = CountYellow(m_win->screen(), areas);
        if (!m_appleShown) {
            if (total != 0) {
                Fail(std::to_string(total) + " yellow pixels where no apple should be");
            }
            return;
        }
        ++applesChecked;
        const RECT box = AppleBox(d.m_applePos);
        const int inBox = CountYellow(m_win->screen(), {box});
        if (inBox != total) {
            Fail(std::to_string(total - inBox) + " yellow pixels outside the apple's box at " +
                 std::to_string(box.left) + "," + std::to_string(box.top));
            return;
        }
        // The shape of an apple that is still where it was, as many pixels as when it was last
        // looked at whole, is not looked at again.
        if (d.m_applePos == m_verifiedPos && inBox == m_verifiedPixels) {
            return;
        }
        const YellowRegions y = FindYellow(m_win->screen(), box);
        // The apple's body is one large region; the holes of its character (A, B, 0, @...) are
        // small ones inside it.
        int apples = 0;
        int pixels = 0;
        RECT body{};
        for (std::size_t i = 0; i < y.sizes.size(); ++i) {
            if (y.sizes[i] >= kAppleFewestPixels / 2) {
                ++apples;
                body = y.bounds[i];
            }
        }
        for (std::size_t i = 0; i < y.sizes.size(); ++i) {
            const RECT& r = y.bounds[i];
            if (r.left >= body.left && r.top >= body.top && r.right <= body.right && r.bottom <= body.bottom) {
                pixels += y.sizes[i];
            } else {
                apples = -1;
            }
        }
        const bool whole = pixels >= kAppleFewestPixels && pixels <= kAppleMostPixels && body.left >= box.left &&
                           body.top >= box.top && body.right <= box.right && body.bottom <= box.bottom;
        if (apples == 1 && whole) {
            m_verifiedPos = d.m_applePos;
            m_verifiedPixels = inBox;
            return;
        }
        std::string where;
        for (std::size_t i = 0; i < y.sizes.size(); ++i) {
            const RECT& r = y.bounds[i];
            where += " " + std::to_string(y.sizes[i]) + " pixels at " + std::to_string(r.left) + "," +
                     std::to_string(r.top) + ";";
        }
        where += " the apple box is at " + std::to_string(box.left) + "," + std::to_string(box.top) + ", target '" +
                 d.m_chTarget + "'";
        Fail((apples != 1 ? "not exactly one apple on the screen:" : "the apple is not whole or not in its box:") +
             where);
    }

    unsigned m_seed;
    std::mt19937 m_rng;
    int m_index = 0;
    std::string m_error;
    std::deque<std::string> m_recent;
    std::unique_ptr<PracticeWindow> m_win;
    std::size_t m_appleBytes = 0, m_scratchBytes = 0, m_keyBytes = 0, m_handBytes = 0;
    int m_keyboardTop = 0;
    bool m_appleShown = false;    // an apple was drawn and no paint has covered it since
    POINT m_verifiedPos{-1, -1};  // the apple last found whole, and its yellow pixels
    int m_verifiedPixels = -1;
    std::vector<POINT> m_places;   // where apples were drawn since the last paint
    std::vector<bool> m_consumed;  // targets of the current pass already asked
    bool m_passFromStart = false;
    struct {
        int totalKeys = 0, totalRight = 0, runKeys = 0, runRight = 0;
    } m_model;
};

}  // namespace

TEST(RandomEvents, EveryEventKeepsTheWindowConsistent)
{
    const unsigned seed = RunSeed();
    RandomRun run(seed);
    run.Run(kEvents);
    EXPECT_EQ(run.Error(), "") << run.Context();
    std::printf(
        "random run: seed %u, %d events, %d right keys, %d whole passes followed, %d windows ended by Exit, "
        "%d paints, %d apple checks; %d typed, %d Starts, %d set choices, %d exit questions, %d help texts\n",
        seed, kEvents, run.rightKeys, run.passesFollowed, run.windowsEnded, run.paints, run.applesChecked,
        run.effects[static_cast<int>(Effect::Typed)], run.effects[static_cast<int>(Effect::Start)],
        run.effects[static_cast<int>(Effect::ChooseSet)], run.effects[static_cast<int>(Effect::ExitQuestion)],
        run.effects[static_cast<int>(Effect::Help)]);
    // The mix must really have reached the ends of passes and of windows.
    EXPECT_GT(run.passesFollowed, 10) << "seed " << seed;
    EXPECT_GT(run.windowsEnded, 5) << "seed " << seed;
}
