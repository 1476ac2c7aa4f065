// What moves and sounds by itself: one small step per timer tick.
#include <cstdlib>
#include <ctime>

#include "app/PracticeDialog.h"

void PracticeDialog::OnTimer(UINT_PTR id)
{
    CDC* dc = GetDC();
    switch (id) {
    case TIMER_KEY_BLINK: {
        // Phase 1 hides the key into the background, phase 0 brings its cap back.
        if (m_nTargetRow >= 0 && m_nTargetRow < 4 && dc != nullptr) {
            const RECT& k = m_rcKey[m_nTargetRow][m_nTargetCol];
            const PixelBuffer& from = m_nKeyBlinkPhase != 0 ? m_pKeyPixels[m_nTargetRow][m_nTargetCol] : m_pKeyScratch;
            std::size_t i = 0;
            for (int y = k.top; y <= k.bottom; ++y) {
                const std::size_t rowStart = static_cast<std::size_t>(y - k.top) * static_cast<std::size_t>(k.right - k.left + 1);
                for (int x = k.left; x <= k.right; ++x) {
                    i = rowStart + static_cast<std::size_t>(x - k.left);
                    if (i < from.size()) {
                        dc->SetPixel(x, y, from[i]);
                    }
                }
            }
        }
        m_nKeyBlinkPhase = m_nKeyBlinkPhase == 0 ? 1 : 0;
        break;
    }
    case TIMER_VOICE_REPEAT: {
        const void* voice = m_keyWave[m_nTargetRow * kKeyCols + m_nTargetCol];
        if (voice != nullptr) {
            sndPlaySound(voice, SND_ASYNC | SND_MEMORY | SND_NOSTOP);
        }
        break;
    }
    case TIMER_HAND_BLINK:
        DrawHandPrompt(HandOfKey(m_nTargetRow, m_nTargetCol) == 1 ? 0 : 1, m_nHandPhase, dc);
        m_nHandPhase = m_nHandPhase == 0 ? 1 : 0;
        break;
    case TIMER_CLOCK:
        ++m_nTotalTicks;
        ++m_nTicks;
        break;
    case TIMER_AMBIENT: {
        std::srand(static_cast<unsigned>(std::time(nullptr)));
        const int r = std::rand() % 5;
        if (m_nIdleSeconds == 5) {
            m_nIdleSeconds = 0;
            sndPlaySound(m_ambientWave[r], SND_ASYNC | SND_MEMORY);
        } else {
            ++m_nIdleSeconds;
        }
        break;
    }
    default:
        break;
    }
    ReleaseDC(dc);
    CDialog::OnTimer(id);
}
