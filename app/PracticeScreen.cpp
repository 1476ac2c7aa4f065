// The practice window's keys, timers and paints: the rules decide, the window draws and plays.
#include <cstdlib>
#include <ctime>
#include <utility>

#include "app/PracticeDialog.h"
#include "scene/HandPrompt.h"
#include "text/KeyNotices.h"
#include "text/Language.h"

namespace {

unsigned Now()
{
    return static_cast<unsigned>(std::time(nullptr));
}

}  // namespace

BOOL PracticeDialog::PreTranslateMessage(MSG* msg)
{
    if (msg->message == WM_KEYDOWN) {
        m_exercise.KeyPressed();
        switch (static_cast<int>(msg->wParam)) {
        case VK_F2: OnOK(); break;
        case VK_F3: OnChooseSet1(); break;
        case VK_F4: OnChooseSet2(); break;
        case VK_F5: OnChooseSet3(); break;
        case VK_F6: OnChooseSet4(); break;
        default: break;
        }
    }
    if (msg->message == WM_CHAR) {
        const bool handBlinking = m_exercise.WrongKeys() != 0;
        switch (m_exercise.Judge(msg->wParam, (msg->lParam & KF_CAPSLOCKON) != 0)) {
        case KeyOutcome::Right: {
            CDC* dc = GetDC();
            const ReportFigures f = m_exercise.Figures();
            m_strReport = FormatReport(ReportTemplate(SelectLanguage()), f.counts, f.totalSpeed, f.runSpeed);
            UpdateData(FALSE);
            KillTimer(TIMER_VOICE_REPEAT);
            SoundBank::Play(m_sounds.Right(), SND_ASYNC | SND_MEMORY | SND_NOSTOP);
            if (handBlinking) {
                KillTimer(TIMER_HAND_BLINK);
            }
            m_scene.RestoreHandArea(dc, m_exercise.TargetHandIsRight());
            ShowNextTarget(0);
            ReleaseDC(dc);
            break;
        }
        case KeyOutcome::FirstWrong: SetTimer(TIMER_HAND_BLINK, 300); [[fallthrough]];
        case KeyOutcome::Wrong:
            SoundBank::Play(m_sounds.Wrong(), SND_ASYNC | SND_MEMORY | SND_NOSTOP);
            ShowKeyHint();
            break;
        case KeyOutcome::Ignored: break;
        }
    }
    return CDialog::PreTranslateMessage(msg);
}

void PracticeDialog::ShowKeyHint()
{
    switch (m_exercise.Hint()) {
    case KeyHint::CapsLock: m_strReport = CapsLockNote(SelectLanguage()); break;
    case KeyHint::SwitchLayout: m_strReport = SwitchLayoutNote(SelectLanguage()) + m_exercise.SwitchTo(); break;
    case KeyHint::None: return;
    }
    UpdateData(FALSE);
}

void PracticeDialog::OnOK()
{
    // A hand prompt of the old target goes with it: the new target has had no wrong key.
    if (m_exercise.WrongKeys() != 0) {
        KillTimer(TIMER_HAND_BLINK);
        CDC* dc = GetDC();
        m_scene.RestoreHandArea(dc, m_exercise.TargetHandIsRight());
        ReleaseDC(dc);
        m_exercise.StopHandPrompt();
    }
    // The user may have switched the keyboard layout since the last Start. The old target's cap
    // and apple are put back first; the screen is then painted afresh with the new legends, so
    // nothing of the old target is on it to put back again.
    bool oldTargetShown = true;
    if (RefreshKeyboardLayout(m_layout)) {
        CDC* dc = GetDC();
        if (m_exercise.Started()) {
            m_scene.RestoreKey(dc, m_exercise.TargetKey());
            m_scene.RestoreApple(dc);
        }
        ApplyKeyboardLayout(dc);
        ReleaseDC(dc);
        oldTargetShown = false;
    }
    ShowNextTarget(1, oldTargetShown);
    m_exercise.Start();
    SetTimer(TIMER_KEY_BLINK, 200);
    SetDlgItemText(IDOK, m_strRedoCaption);
}

void PracticeDialog::ShowNextTarget(int bFirst, bool previousOnScreen)
{
    CDC* dc = GetDC();
    if (dc == nullptr) {
        return;
    }
    const KeyCell previous = m_exercise.TargetKey();
    const bool previousShown = previousOnScreen && (!bFirst || m_exercise.Started());
    if (previousShown) {
        m_scene.RestoreKey(dc, previous);
    }
    m_exercise.NextTarget(bFirst != 0, Now());
    if (previousShown) {
        m_scene.RestoreApple(dc);
    }
    m_scene.SaveKey(dc, m_exercise.TargetKey(), m_exercise.ModifierKey());
    m_scene.PlaceApple(Now());
    m_scene.DrawApple(dc, m_exercise.ShownCharacter());
    ReleaseDC(dc);

    if (const void* voice = m_sounds.Voice(m_exercise.TargetNumber())) {
        SetTimer(TIMER_VOICE_REPEAT, 1500);
        SoundBank::Play(voice, SND_ASYNC | SND_MEMORY);
    }
}

void PracticeDialog::OnTimer(UINT_PTR id)
{
    CDC* dc = GetDC();
    switch (id) {
    case TIMER_KEY_BLINK: m_scene.BlinkKey(dc, m_exercise.TargetKey(), m_exercise.TakeKeyBlinkPhase()); break;
    case TIMER_VOICE_REPEAT:
        SoundBank::Play(m_sounds.Voice(m_exercise.TargetNumber()), SND_ASYNC | SND_MEMORY | SND_NOSTOP);
        break;
    case TIMER_HAND_BLINK: {
        const KeyCell key = m_exercise.TargetKey();
        m_scene.DrawHandPrompt(dc, m_exercise.TargetHandIsRight(), m_exercise.TakeHandPhase(),
                               FingerNumber(key.row, key.col));
        break;
    }
    case TIMER_CLOCK: m_exercise.ClockTick(); break;
    case TIMER_AMBIENT: {
        std::srand(Now());
        const int r = std::rand() % 5;
        if (m_exercise.AmbientTick()) {
            SoundBank::Play(m_sounds.Ambient(r), SND_ASYNC | SND_MEMORY);
        }
        break;
    }
    default: break;
    }
    ReleaseDC(dc);
    CDialog::OnTimer(id);
}

void PracticeDialog::OnPaint()
{
    if (IsIconic()) {
        {
            CPaintDC dc(this);
            SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(&dc), 0);
            RECT rc{};
            GetClientRect(&rc);
            const int x = (rc.right - rc.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
            const int y = (rc.bottom - rc.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
            dc.DrawIcon(x, y, m_hIcon);
        }
        ApplyLanguageTexts();
        return;
    }
    // After a late wallpaper the whole screen is painted anew (Invalidate): what the scene keeps
    // of the background is taken from this paint, not from the built-in one the first showed.
    const bool newDesktop = std::exchange(m_bDesktopChanged, false);
    if (newDesktop) {
        m_scene.BackgroundChanged();
    }
    {
        CPaintDC dc(this);
        m_painting.Paint(dc, m_scene, m_exercise.PlainChars(), m_exercise.ShiftChars());
        Default();
    }
    // What practice had on the screen comes back as it was. The apple is filled from one seed
    // point, which a paint over part of it may not reach: it is drawn again whole, unclipped,
    // over the background kept under it.
    if (CDC* dc = GetDC()) {
        if (m_exercise.Started() && m_scene.ShownKept() && newDesktop) {
            m_scene.KeepAppleBackground(dc);
        } else if (m_exercise.Started() && m_scene.ShownKept()) {
            m_scene.RestoreApple(dc);
        } else if (m_exercise.Started()) {
            // The first paint on a new screen: the target key's cap and the apple, at a spot of
            // the new tree, are kept and drawn anew.
            m_scene.SaveKey(dc, m_exercise.TargetKey());
            m_scene.PlaceApple(Now());
            m_scene.DrawApple(dc, m_exercise.ShownCharacter());
        }
        m_scene.RedrawShown(dc, m_exercise.Started(), m_exercise.ShownCharacter(), m_exercise.TargetKey());
        ReleaseDC(dc);
    }
    ApplyLanguageTexts();
}
