// Judging every typed character, and Start.
#include "app/PracticeDialog.h"
#include "practice/Report.h"
#include "text/LanguageTables.h"

BOOL PracticeDialog::PreTranslateMessage(MSG* msg)
{
    if (msg->message == WM_KEYDOWN) {
        m_nIdleSeconds = 0;
        switch (static_cast<int>(msg->wParam)) {
        case VK_F2: OnOK(); break;
        case VK_F3: OnChooseSet1(); break;
        case VK_F4: OnChooseSet2(); break;
        case VK_F5: OnChooseSet3(); break;
        case VK_F6: OnChooseSet4(); break;
        default: break;
        }
    }
    if (m_bPractising == 1 && msg->message == WM_CHAR) {
        ++m_nTotalKeys;
        ++m_nRunKeys;
        m_nIdleSeconds = 0;
        if (IsTargetCharacter(msg->wParam, m_chTarget)) {
            CDC* dc = GetDC();
            const double totalMinutes = MinutesOf(m_nTotalTicks);
            const double runMinutes = MinutesOf(m_nTicks);
            ++m_nRunRight;
            ++m_nTotalRight;
            const long counts[6] = {m_nTotalKeys, m_nRunKeys, m_nTotalRight, m_nRunRight, m_nTotalTicks, m_nTicks};
            m_strReport = FormatReport(BuildReportFormat(), counts, m_nTotalKeys / totalMinutes, m_nRunKeys / runMinutes);
            UpdateData(FALSE);
            KillTimer(TIMER_VOICE_REPEAT);
            if (m_okWave != nullptr) {
                sndPlaySound(m_okWave, SND_ASYNC | SND_MEMORY | SND_NOSTOP);
            }
            if (m_nWrongKeys != 0) {
                KillTimer(TIMER_HAND_BLINK);
            }
            m_nHandPhase = 0;
            RestoreHandArea(dc, HandOfKey(m_nTargetRow, m_nTargetCol) == 1 ? 0 : 1);
            m_nWrongKeys = 0;
            ShowNextTarget(0);
            ReleaseDC(dc);
        } else {
            if (m_nWrongKeys++ == 0) {
                m_nHandPhase = 1;
                SetTimer(TIMER_HAND_BLINK, 300);
            }
            if (m_errorWave != nullptr) {
                sndPlaySound(m_errorWave, SND_ASYNC | SND_MEMORY | SND_NOSTOP);
            }
        }
    }
    return CDialog::PreTranslateMessage(msg);
}

void PracticeDialog::OnOK()
{
    ShowNextTarget(1);
    m_bStarted = 1;
    m_nRunRight = 0;
    m_nRunKeys = 0;
    // The run's time starts with the run, so the current speed is this run's.
    m_nTicks = 0;
    m_bPractising = 1;
    m_nKeyBlinkPhase = 1;
    SetTimer(TIMER_KEY_BLINK, 200);
    SetDlgItemText(IDOK, m_strRedoCaption);
}
