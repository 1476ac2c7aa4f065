#include "practice/Exercise.h"

#include "practice/Report.h"
#include "practice/TargetOrder.h"

Exercise::Exercise()
{
    SetLayout(BuiltInKeyboardLayout());
    for (int i = 0; i < m_nSetSize; ++i) {
        m_nOrder[i] = i;
    }
}

void Exercise::SetLayout(const KeyboardLayout& layout)
{
    m_activeChars = layout.chars;
    m_layoutUse = LayoutUse::AsIs;
    m_strSwitchTo.clear();
    KeyboardLayout used = layout;
    if (!HasLatinLetters(layout.chars)) {
        m_layoutUse = LayoutUse::UsPositions;
        used = BuiltInKeyboardLayout();
        for (const KeyboardGroup& other : layout.otherGroups) {
            if (HasLatinLetters(other.chars)) {
                m_layoutUse = LayoutUse::OtherGroup;
                m_strSwitchTo = other.name;
                used.name = other.name;
                used.chars = other.chars;
                break;
            }
        }
    }
    m_usedChars = used.chars;
    m_shape = ShapeOfLayout(used);
    m_targetKeys = BuildTargetKeys(used);
    BuildKeyLegends(used, m_keyChar, m_keyShiftChar);
    BuildAltGrLegends(used, m_keyAltGrChar);
}

std::u32string Exercise::MissingTargets() const
{
    return ::MissingTargets(m_targetKeys, m_nSetSize);
}

void Exercise::Shuffle(unsigned seed)
{
    // A pass draws from the targets the layout can type; with every one typable (US) the
    // numbers are 0..n-1 and the pass is the plain permutation.
    int numbers[kTargetCount];
    const int count = AvailableTargets(m_targetKeys, m_nSetSize, numbers);
    ShuffleOrder(count, seed, m_nOrder);
    for (int i = 0; i < count; ++i) {
        m_nOrder[i] = numbers[m_nOrder[i]];
    }
    m_nOrderLeft = count;
}

void Exercise::ChooseSet(int k, unsigned seed)
{
    // Choosing the set already chosen keeps it and only starts a new pass.
    if (m_bSetChosen[k] == 0) {
        m_nSetSize = kSetSizes[k];
        for (int i = 0; i < 4; ++i) {
            m_bSetChosen[i] = i == k ? 1 : 0;
        }
    }
    Shuffle(seed);
}

bool Exercise::NextTarget(bool bFirst, unsigned seed)
{
    const bool previousShown = !bFirst || m_bStarted != 0;
    if (previousShown && AdvanceOrder(m_nOrder, m_nOrderLeft)) {
        Shuffle(seed);
    }
    const int n = m_nOrder[0];
    m_nTarget = n;
    m_nTargetRow = m_targetKeys[static_cast<std::size_t>(n)].key.row;
    m_nTargetCol = m_targetKeys[static_cast<std::size_t>(n)].key.col;
    m_chTarget = TargetCharOf(n);
    return previousShown;
}

void Exercise::Start()
{
    m_bStarted = 1;
    m_nRunRight = 0;
    m_nRunKeys = 0;
    // The run's time starts with the run, so the current speed is this run's.
    m_nTicks = 0;
    m_bPractising = 1;
    m_nKeyBlinkPhase = 1;
}

namespace {

char32_t OtherCase(char32_t c)
{
    if (c >= U'a' && c <= U'z') {
        return c - 32;
    }
    if (c >= U'A' && c <= U'Z') {
        return c + 32;
    }
    return c;
}

}  // namespace

KeyOutcome Exercise::Judge(unsigned long long typed, bool capsLock)
{
    if (m_bPractising != 1) {
        return KeyOutcome::Ignored;
    }
    ++m_nTotalKeys;
    ++m_nRunKeys;
    m_nIdleSeconds = 0;
    m_hint = KeyHint::None;
    const bool caseless = m_nSetSize < 27;
    const bool otherCase = typed != m_chTarget && OtherCase(m_chTarget) != m_chTarget && typed == OtherCase(m_chTarget);
    // Without a Latin layout the character counts by the key that typed it: what the active layout
    // types on the target's key at the target's level (either level of a letter key in the set
    // without case). A character two keys type counts on either.
    bool samePlace = false;
    bool otherLevel = false;
    const auto ch = static_cast<char32_t>(typed);
    if (m_layoutUse == LayoutUse::UsPositions && typed == ch && ch != 0) {
        const ::TargetKey& t = m_targetKeys[static_cast<std::size_t>(m_nTarget)];
        const auto& cell = m_activeChars[static_cast<std::size_t>(t.key.row)][static_cast<std::size_t>(t.key.col)];
        const auto wanted = static_cast<std::size_t>(t.level);
        samePlace = cell[wanted] == ch;
        otherLevel = t.level != KeyLevel::AltGr && cell[wanted == 0 ? 1 : 0] == ch;
        samePlace = samePlace || (caseless && otherLevel);
    }
    if (IsTargetCharacter(typed, m_chTarget) || (caseless && otherCase) || samePlace) {
        ++m_nRunRight;
        ++m_nTotalRight;
        m_nHandPhase = 0;
        m_nWrongKeys = 0;
        return KeyOutcome::Right;
    }
    KeyCell key;
    KeyLevel level = KeyLevel::Plain;
    const bool fromNonLatin = m_layoutUse == LayoutUse::OtherGroup && typed == ch &&
                              FindTypedKey(m_activeChars, BoardShape::Iso, ch, key, level) &&
                              !FindTypedKey(m_usedChars, BoardShape::Iso, ch, key, level);
    if (capsLock && (otherCase || otherLevel)) {
        m_hint = KeyHint::CapsLock;
    } else if (fromNonLatin) {
        m_hint = KeyHint::SwitchLayout;
    }
    if (m_nWrongKeys++ == 0) {
        m_nHandPhase = 1;
        return KeyOutcome::FirstWrong;
    }
    return KeyOutcome::Wrong;
}

KeyCell Exercise::ModifierKey() const
{
    const auto r = static_cast<std::size_t>(m_nTargetRow);
    const auto c = static_cast<std::size_t>(m_nTargetCol);
    return ModifierKeyFor(m_targetKeys[static_cast<std::size_t>(m_nTarget)], m_keyChar[r][c], m_keyShiftChar[r][c]);
}

void Exercise::ClockTick()
{
    ++m_nTotalTicks;
    ++m_nTicks;
}

bool Exercise::AmbientTick()
{
    if (m_nIdleSeconds == 5) {
        m_nIdleSeconds = 0;
        return true;
    }
    ++m_nIdleSeconds;
    return false;
}

int Exercise::TakeKeyBlinkPhase()
{
    const int phase = m_nKeyBlinkPhase;
    m_nKeyBlinkPhase = phase == 0 ? 1 : 0;
    return phase;
}

int Exercise::TakeHandPhase()
{
    const int phase = m_nHandPhase;
    m_nHandPhase = phase == 0 ? 1 : 0;
    return phase;
}

void Exercise::StopHandPrompt()
{
    m_nHandPhase = 0;
    m_nWrongKeys = 0;
}

ReportFigures Exercise::Figures() const
{
    ReportFigures f;
    const long counts[6] = {m_nTotalKeys, m_nRunKeys, m_nTotalRight, m_nRunRight, m_nTotalTicks, m_nTicks};
    for (int i = 0; i < 6; ++i) {
        f.counts[i] = counts[i];
    }
    f.totalSpeed = m_nTotalKeys / MinutesOf(m_nTotalTicks);
    f.runSpeed = m_nRunKeys / MinutesOf(m_nTicks);
    return f;
}

char32_t Exercise::ShownCharacter() const
{
    char32_t shown = m_chTarget;
    if (m_nSetSize < 27 && shown >= U'a' && shown <= U'z') {
        shown -= 32;
    }
    return shown;
}
