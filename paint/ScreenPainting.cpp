// OnPaint: background, key caps with their legends, the tree outline; the first full paint
// also keeps the screen under the keys and the two hand areas.
#include "paint/ScreenPainting.h"

#include "app/PracticeDialog.h"

COLORREF ShadedColour(COLORREF base, int shadeHeight, int y, int yFirst)
{
    const int r = GetRValue(base);
    const int g = GetGValue(base);
    const int b = GetBValue(base);
    const int k = shadeHeight - (y - yFirst);
    const int raised = static_cast<int>(k * (255 - g) * (1.0 / 255) + g);
    return RGB(r, raised, b);
}

LegendSpot MainLegendSpot(const RECT& key, char shown)
{
    const int x = key.left + (key.right - key.left) / 3;
    if (shown >= 'A' && shown <= 'Z') {
        return {x, key.top + (key.bottom - key.top) / 4};
    }
    return {x, key.top + (key.bottom - key.top) / 2};
}

LegendSpot ShiftLegendSpot(const RECT& key)
{
    return {key.left + (key.right - key.left) / 3, key.top + (key.bottom - key.top) / 10};
}

const char* BottomRowLabel(int col)
{
    static constexpr const char* kLabels[7] = {"Ctrl", "Win", "Alt", "Space", "Alt", "Win", "Ctrl"};
    return col >= 0 && col < 7 ? kLabels[col] : "";
}

namespace {

std::string OneChar(char c)
{
    return c == 0 ? std::string() : std::string(1, c);
}

void SaveArea(CDC& dc, const RECT& key, int width, int height, PixelBuffer& into)
{
    std::size_t i = 0;
    for (int y = key.top - height; y <= key.top - 1; ++y) {
        for (int x = key.left; x <= key.left + width - 1 && i < into.size(); ++x) {
            into[i++] = dc.GetPixel(x, y);
        }
    }
}

}  // namespace

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
    {
        CPaintDC dc(this);
        CBitmap cap;
        cap.LoadBitmap(IDB_KEYCAP);
        BITMAP capSize{};
        cap.GetObject(&capSize);
        CDC memory;
        memory.CreateCompatibleDC(&dc);
        CFont font;
        font.CreateFont(20, 17, 0, 0, 0, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "system");
        CFont* oldFont = dc.SelectObject(&font);
        dc.SetBkMode(TRANSPARENT);

        if (!m_bHandBackgroundSaved) {
            CBitmap hand;
            hand.LoadBitmap(IDB_LEFT_HAND);
            BITMAP handSize{};
            hand.GetObject(&handSize);
            m_handWidth = handSize.bmWidth;
            m_handHeight = handSize.bmHeight;
            const auto area = static_cast<std::size_t>(m_handWidth) * static_cast<std::size_t>(m_handHeight);
            m_leftHandBackground.assign(area, 0);
            m_rightHandBackground.assign(area, 0);
        }

        const RECT screen{0, 0, m_nScreenWidth, m_nScreenHeight};
        if (m_bPictureFound != 0) {
            BackgroundPicture picture(m_pictureCache, m_nScreenWidth, m_nScreenHeight);
            picture.Load(m_strPictureFile);
            picture.Render(&dc, screen);
        } else {
            dc.PaintDesktop();
        }

        CBitmap* oldBitmap = memory.SelectObject(&cap);
        for (int r = 0; r < kKeyRows; ++r) {
            for (int j = 0; j < m_nKeysInRow[r]; ++j) {
                const RECT& k = m_rcKey[r][j];
                if (r < 4 && !m_bKeyPixelsSaved) {
                    PixelBuffer& saved = m_pKeyPixels[r][j];
                    const int stride = k.right - k.left + 1;
                    for (int y = k.top; y <= k.bottom; ++y) {
                        for (int x = k.left; x <= k.right; ++x) {
                            const auto i = static_cast<std::size_t>(y - k.top) * static_cast<std::size_t>(stride) +
                                           static_cast<std::size_t>(x - k.left);
                            if (i < saved.size()) {
                                saved[i] = dc.GetPixel(x, y);
                            }
                        }
                    }
                }
                dc.StretchBlt(k.left, k.top, k.right - k.left, k.bottom - k.top, &memory, 0, 0, capSize.bmWidth,
                              capSize.bmHeight, SRCCOPY);
                if (r < 4) {
                    char shown = m_keyChar[r][j];
                    if (shown >= 'a' && shown <= 'z') {
                        shown = static_cast<char>(shown - 'a' + 'A');
                    }
                    const LegendSpot main = MainLegendSpot(k, shown);
                    dc.TextOut(main.x, main.y, OneChar(shown));
                    const char shifted = m_keyShiftChar[r][j];
                    if (!(shifted >= 'A' && shifted <= 'Z')) {
                        const LegendSpot top = ShiftLegendSpot(k);
                        dc.TextOut(top.x, top.y, OneChar(shifted));
                    }
                } else {
                    dc.TextOut(k.left + (k.right - k.left) / 3, k.top + (k.bottom - k.top) / 4, BottomRowLabel(j));
                }
            }
        }
        if (!m_bKeyPixelsSaved) {
            m_bKeyPixelsSaved = TRUE;
        }

        const int yFirst = m_treePoint[m_shadeFirst].y;
        for (int i = 0; i < kTreePointCount; ++i) {
            const POINT& p = m_treePoint[i];
            if (i < m_shadeFirst || i > m_shadeLast) {
                dc.SetPixel(p.x, p.y, kTreeGreen);
            } else {
                dc.SetPixel(p.x, p.y, ShadedColour(m_treeShade[i], m_shadeHeight, p.y, yFirst));
            }
        }

        if (!m_bHandBackgroundSaved) {
            SaveArea(dc, m_rcKey[0][2], m_handWidth, m_handHeight, m_leftHandBackground);
            SaveArea(dc, m_rcKey[0][11], m_handWidth, m_handHeight, m_rightHandBackground);
            m_bHandBackgroundSaved = TRUE;
        }
        memory.SelectObject(oldBitmap);
        Default();
        dc.SelectObject(oldFont);
    }
    ApplyLanguageTexts();
}
