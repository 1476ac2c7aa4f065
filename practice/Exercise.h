// The practice rules: which set is chosen, which target is asked, how typed characters are
// judged, the counters of the test report, and the phases of what blinks. No window, no toolkit:
// the practice window asks it what happened and carries out the effects itself.
#pragma once

#include <string>

#include "practice/KeyLayout.h"
#include "practice/KeyboardModel.h"

// What a typed character did.
enum class KeyOutcome {
    Ignored,     // not practising: the character is not counted
    Right,       // the target: counted right, the next target is due
    Wrong,       // a further wrong key for this target
    FirstWrong,  // the first wrong key for this target: the hand prompt starts blinking
};

// What a wrong key suggests the user should know, for the report box.
enum class KeyHint {
    None,
    CapsLock,      // Caps Lock is on and the key was the target in the other case
    SwitchLayout,  // the character came from a non-Latin layout; SwitchTo() names the Latin one
};

// How the user's layout is practised on.
enum class LayoutUse {
    AsIs,         // the active layout types the Latin targets
    OtherGroup,   // the active layout is not Latin: the board shows the user's Latin one, SwitchTo()
    UsPositions,  // no Latin layout at all: the US board, each key judged by its place
};

// The figures of the test report, in the order the report template asks for them.
struct ReportFigures {
    long counts[6] = {};    // total keys, run keys, total right, run right, total ticks, run ticks
    double totalSpeed = 0;  // keys a minute over all practice
    double runSpeed = 0;    // keys a minute over this run
};

class Exercise {
public:
    // The US keyboard, the letters set, targets in their natural order, nothing typed yet.
    Exercise();

    // The user's keyboard layout: the legends, the key of every target and which targets can be
    // typed at all follow it. For a layout without the Latin letters (Cyrillic, Greek ...) the
    // board and targets follow the first Latin layout among the user's others; with none at all,
    // US QWERTY, and a typed character counts by the place of the key that typed it. Takes
    // effect with the next pass.
    void SetLayout(const KeyboardLayout& layout);
    LayoutUse UseOfLayout() const { return m_layoutUse; }
    // The Latin layout to switch to (OtherGroup), e.g. "us".
    const std::string& SwitchTo() const { return m_strSwitchTo; }
    BoardShape Shape() const { return m_shape; }
    // The characters of the chosen set that the layout cannot type, left out of its passes.
    std::u32string MissingTargets() const;

    // A new pass of the chosen set's targets, drawn with the standard generator seeded with
    // 'seed' (the time in whole seconds).
    void Shuffle(unsigned seed);

    // Makes practice set k (0..3) the chosen one and starts a new pass of it.
    void ChooseSet(int k, unsigned seed);

    // Moves on to the next target. The first Start keeps the pass's first entry; every later
    // call drops the answered target first, and a used-up pass is followed by a new one drawn
    // with 'seed'. Returns true when a previous target was on show (its key and apple go back).
    bool NextTarget(bool bFirst, unsigned seed);

    // Start (also after a set choice): a new run begins once the next target is on show.
    void Start();

    // A key went down: the idle time starts again.
    void KeyPressed() { m_nIdleSeconds = 0; }

    // A typed character (a Unicode code point) against the target; 'capsLock' whether Caps Lock
    // was on. The letters-only set takes either case of its letter.
    KeyOutcome Judge(unsigned long long typed, bool capsLock = false);
    // What the last wrong key suggests telling the user; None after a right key.
    KeyHint Hint() const { return m_hint; }

    // Ten seconds of practice time went by.
    void ClockTick();
    // One second of the ambient clock; true when the user has been idle long enough for an
    // ambient sound (every sixth second without a key).
    bool AmbientTick();

    // The phase the blinking key is drawn in now (1 hides it into the background, 0 shows its
    // cap); the next call gives the other.
    int TakeKeyBlinkPhase();
    // The phase the hand prompt is drawn in now (1 shows it, 0 puts the background back).
    int TakeHandPhase();
    // The hand prompt stops: the next right key or new target starts without it.
    void StopHandPrompt();

    ReportFigures Figures() const;

    // The character the target asks for, and as the apple shows it (the letters-only set
    // shows capitals; the target stays lower case).
    char32_t Target() const { return m_chTarget; }
    char32_t ShownCharacter() const;
    // The target's number (0..71): its character is TargetCharOf(n) in every layout.
    int TargetNumber() const { return m_nTarget; }
    KeyCell TargetKey() const { return {m_nTargetRow, m_nTargetCol}; }
    // The modifier key that blinks with the target (AltGr, Shift), or kNoKey.
    KeyCell ModifierKey() const;
    // 1 when the target key is struck with the right hand.
    int TargetHandIsRight() const { return HandOfKey(m_nTargetRow, m_nTargetCol) == 1 ? 0 : 1; }

    int SetSize() const { return m_nSetSize; }
    int SetChosen(int k) const { return m_bSetChosen[k]; }
    const int (&Order() const)[kTargetCount] { return m_nOrder; }
    int OrderLeft() const { return m_nOrderLeft; }
    bool Started() const { return m_bStarted != 0; }
    bool Practising() const { return m_bPractising != 0; }
    int WrongKeys() const { return m_nWrongKeys; }
    int TotalKeys() const { return m_nTotalKeys; }
    int TotalRight() const { return m_nTotalRight; }
    int RunKeys() const { return m_nRunKeys; }
    int RunRight() const { return m_nRunRight; }
    int TotalTicks() const { return m_nTotalTicks; }
    int Ticks() const { return m_nTicks; }
    int IdleSeconds() const { return m_nIdleSeconds; }
    int HandPhase() const { return m_nHandPhase; }
    int KeyBlinkPhase() const { return m_nKeyBlinkPhase; }

    const KeyLegends& PlainChars() const { return m_keyChar; }
    const KeyLegends& ShiftChars() const { return m_keyShiftChar; }
    const KeyLegends& AltGrChars() const { return m_keyAltGrChar; }
    const TargetKeys& TargetTable() const { return m_targetKeys; }

private:
    // Keyboard model: legends and the key of every target, after the layout.
    KeyLegends m_keyChar{};
    KeyLegends m_keyShiftChar{};
    KeyLegends m_keyAltGrChar{};
    TargetKeys m_targetKeys{};
    BoardShape m_shape = BoardShape::Ansi;
    LayoutUse m_layoutUse = LayoutUse::AsIs;
    std::string m_strSwitchTo;
    // What the active layout types, for judging by the key's place and telling a non-Latin
    // character apart.
    LayoutChars m_activeChars{};
    LayoutChars m_usedChars{};
    KeyHint m_hint = KeyHint::None;

    // Practice sets.
    int m_bSetChosen[4] = {1, 0, 0, 0};
    int m_nSetSize = 26;
    int m_nOrder[kTargetCount] = {};
    int m_nOrderLeft = 0;

    // Keystrokes.
    int m_bPractising = 0;
    int m_bStarted = 0;
    int m_nTotalKeys = 0;
    int m_nTotalRight = 0;
    int m_nRunKeys = 0;
    int m_nRunRight = 0;
    int m_nWrongKeys = 0;
    int m_nTarget = 0;
    char32_t m_chTarget = U' ';
    int m_nTargetRow = 0;
    int m_nTargetCol = 0;

    // Clocks and blinking.
    int m_nTotalTicks = 0;
    int m_nTicks = 0;
    int m_nIdleSeconds = 0;
    int m_nKeyBlinkPhase = 0;
    int m_nHandPhase = 0;
};
