// Showing a target: the previous key and apple go back, a new apple with the character appears.
#include <cstdlib>
#include <ctime>

#include "app/PracticeDialog.h"
#include "practice/TargetOrder.h"

namespace {

// Pixels of an inclusive rectangle, row by row, into or out of a buffer.
void SaveRect(CDC* dc, int left, int top, int right, int bottom, PixelBuffer& into)
{
    std::size_t k = 0;
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right && k < into.size(); ++x) {
            into[k++] = dc->GetPixel(x, y);
        }
    }
}

void RestoreRect(CDC* dc, int left, int top, int right, int bottom, const PixelBuffer& from)
{
    std::size_t k = 0;
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right && k < from.size(); ++x) {
            dc->SetPixel(x, y, from[k++]);
        }
    }
}

}  // namespace

int PracticeDialog::IsAppleSpotFree(int x, int y) const
{
    return AppleSpotFree(m_treeMask, m_applePoint, x, y);
}

void PracticeDialog::ShowNextTarget(int bFirst)
{
    CDC* dc = GetDC();
    if (dc == nullptr) {
        return;
    }
    CFont font;
    font.CreateFont(30, 24, 0, 0, 0, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "system");
    CFont* oldFont = dc->SelectObject(&font);
    CBrush brush;
    brush.CreateSolidBrush(RGB(255, 255, 0));
    CBrush* oldBrush = dc->SelectObject(&brush);
    dc->SetTextColor(RGB(255, 0, 0));
    dc->SetBkMode(TRANSPARENT);

    const int boxRight = 2 * m_appleHalfWidth + 1;
    const int boxBottom = 2 * m_appleHalfHeight;
    if (bFirst == 0 || m_bStarted) {
        const RECT& old = m_rcKey[m_nTargetRow][m_nTargetCol];
        RestoreRect(dc, old.left, old.top, old.right, old.bottom, m_pKeyScratch);
        if (AdvanceOrder(m_nOrder, m_nOrderLeft)) {
            ShuffleTargets();
        }
        RestoreRect(dc, m_applePos.x, m_applePos.y, m_applePos.x + boxRight, m_applePos.y + boxBottom,
                    m_appleBackground);
    }

    const int n = m_nOrder[0];
    m_nTargetRow = m_targetKey[n].row;
    m_nTargetCol = m_targetKey[n].col;
    m_chTarget = TargetCharacter(m_targetKey, m_keyChar, m_keyShiftChar, n);
    const RECT& key = m_rcKey[m_nTargetRow][m_nTargetCol];
    SaveRect(dc, key.left, key.top, key.right, key.bottom, m_pKeyScratch);

    // A random spot in the crown; two targets in the same second get the same spot.
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    const int s = m_treeShift;
    const int drawnX = std::rand() % s + (m_nScreenHeight - s) / 2;
    const int drawnY = std::rand() % (m_treePoint[m_shadeFirst].y - 2 * m_appleHalfHeight);
    const int x = SearchAppleX(drawnX, drawnY, m_nScreenWidth, boxRight + 1,
                               [this](int px, int py) { return IsAppleSpotFree(px, py) != 0; });
    m_applePos = {x, drawnY};

    SaveRect(dc, m_applePos.x, m_applePos.y, m_applePos.x + boxRight, m_applePos.y + boxBottom, m_appleBackground);
    for (const POINT& p : m_applePoint) {
        dc->SetPixel(m_applePos.x + p.x, m_applePos.y + p.y, RGB(255, 255, 0));
    }
    dc->FloodFill(m_applePos.x + m_appleFillSeed.x, m_applePos.y + m_appleFillSeed.y, RGB(255, 255, 0));

    // The letters-only set shows its letters as capitals; the target itself stays lower case.
    char shown = m_chTarget;
    if (m_nSetSize < 27 && static_cast<unsigned char>(shown) >= 'a') {
        shown = static_cast<char>(shown - 32);
    }
    dc->TextOut(m_applePos.x + m_appleFillSeed.x - 2, m_applePos.y + m_appleFillSeed.y, std::string(1, shown));
    dc->SelectObject(oldFont);
    dc->SelectObject(oldBrush);
    ReleaseDC(dc);

    const void* voice = m_keyWave[m_nTargetRow * kKeyCols + m_nTargetCol];
    if (voice != nullptr) {
        SetTimer(TIMER_VOICE_REPEAT, 1500);
        sndPlaySound(voice, SND_ASYNC | SND_MEMORY);
    }
}
