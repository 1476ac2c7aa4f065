#include "scene/Scene.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>

#include "scene/Drawing.h"
#include "scene/HandPrompt.h"

namespace {

// Pixels of an inclusive rectangle, row by row, into or out of a buffer; a buffer shorter than
// the rectangle holds its first pixels in that order.
void SaveRect(CDC* dc, int left, int top, int right, int bottom, PixelBuffer& into)
{
    const int width = right - left + 1;
    std::size_t k = 0;
    for (int y = top; y <= bottom && width > 0 && k < into.size(); ++y) {
        const int n = static_cast<int>(std::min(static_cast<std::size_t>(width), into.size() - k));
        dc->GetPixelRow(left, y, into.data() + k, n);
        k += static_cast<std::size_t>(n);
    }
}

void RestoreRect(CDC* dc, int left, int top, int right, int bottom, const PixelBuffer& from)
{
    const int width = right - left + 1;
    std::size_t k = 0;
    for (int y = top; y <= bottom && width > 0 && k < from.size(); ++y) {
        const int n = static_cast<int>(std::min(static_cast<std::size_t>(width), from.size() - k));
        dc->SetPixelRow(left, y, from.data() + k, n);
        k += static_cast<std::size_t>(n);
    }
}

std::string OneChar(char32_t c)
{
    return c == 0 ? std::string() : ToUtf8(std::u32string_view(&c, 1));
}

}  // namespace

Scene::Scene() = default;

void Scene::Build(int width, int height)
{
    m_nScreenWidth = width;
    m_nScreenHeight = height;
    // Built again for a new screen: what the first paint keeps is kept again from the next one.
    m_bHandBackgroundSaved = 0;
    m_bKeyHidden = false;
    m_bShownKept = false;
    // The tree's size follows the room above the keyboard.
    BuildKeys();
    BuildShapeOutlines();
}

void Scene::BuildShapeOutlines()
{
    POINT apple[kApplePointCount];
    std::copy(std::begin(AppleOutline), std::end(AppleOutline), apple);

    m_treeScale = TreeScaleFor(m_nScreenWidth, m_rcKey[0][0].top);
    std::vector<POINT> tree;
    std::vector<int> indexOf;
    ScaleOutline(TreeOutline, kTreePointCount, m_treeScale, tree, indexOf);
    const POINT rightMarker{409, 388};
    const POINT leftMarker{304, 388};
    int shadeFirst = 0;
    int shadeLast = 0;
    int largestX = tree[0].x;
    int largestY = tree[0].y;
    for (int i = 0; i < kTreePointCount; ++i) {
        // The last match wins: the right marker occurs twice.
        if (TreeOutline[i] == rightMarker) {
            shadeFirst = i;
        }
        if (TreeOutline[i] == leftMarker) {
            shadeLast = i;
        }
    }
    for (const POINT& p : tree) {
        largestX = std::max<int>(largestX, p.x);
        largestY = std::max<int>(largestY, p.y);
    }
    m_shadeFirst = indexOf[static_cast<std::size_t>(shadeFirst)];
    m_shadeLast = indexOf[static_cast<std::size_t>(shadeLast)];
    m_shadeHeight = largestY - tree[static_cast<std::size_t>(m_shadeFirst)].y;
    m_treeShift = TreeShiftFor(m_nScreenWidth, largestX);
    // Where the screen's width holds the tree smaller than the room above the keyboard (a portrait
    // screen), it stands on the keyboard as it does at 1024 x 768, with the sky above its crown.
    const int keyTop = m_rcKey[0][0].top;
    const bool widthBound = m_treeScale * 502 < keyTop - 0.5;
    m_treeTop = widthBound ? std::max(0, keyTop - static_cast<int>(std::lround(10 * keyTop / 502.0)) - largestY) : 0;
    m_treePoint.resize(tree.size());
    for (std::size_t i = 0; i < tree.size(); ++i) {
        m_treePoint[i] = {tree[i].x + m_treeShift, tree[i].y + m_treeTop};
    }
    m_treeShade.assign(tree.size(), kTrunkColour);
    // Where the crown's underside turns into the trunk's right edge (437,333) and its left edge
    // (288,326).
    m_crownBottom = m_treeTop + std::min(tree[static_cast<std::size_t>(indexOf[1236])].y,
                                         tree[static_cast<std::size_t>(indexOf[1979])].y);
    int minX = apple[0].x, minY = apple[0].y, maxX = apple[0].x, maxY = apple[0].y;
    for (const POINT& p : apple) {
        minX = std::min<int>(minX, p.x);
        minY = std::min<int>(minY, p.y);
        maxX = std::max<int>(maxX, p.x);
        maxY = std::max<int>(maxY, p.y);
    }
    for (int i = 0; i < kApplePointCount; ++i) {
        m_applePoint[i] = {apple[i].x - minX, apple[i].y - minY};
    }
    m_appleHalfWidth = (maxX - minX) / 2;
    m_appleHalfHeight = (maxY - minY) / 2;
    m_appleBackground.assign(static_cast<std::size_t>(maxY - minY + 1) * static_cast<std::size_t>(maxX - minX + 1), 0);
    m_treeMask.Build(m_treePoint.data(), static_cast<int>(m_treePoint.size()));
}

void Scene::BuildKeys()
{
    ComputeKeyRects(ComputeKeyScale(m_nScreenWidth, m_nScreenHeight), m_nScreenHeight, m_rcKey, m_shape);
    // The kept caps fit the largest key that may blink; blinking and restoring never allocate.
    int maxArea = 0;
    int maxModifierArea = 0;
    for (int r = 0; r < kKeyRows; ++r) {
        for (int c = 0; c < KeysInRow(r, m_shape); ++c) {
            const int area = std::max(0, KeyArea(m_rcKey[r][c]));
            int& largest = r < 4 ? maxArea : maxModifierArea;
            largest = std::max(largest, area);
        }
    }
    for (const KeyCell k : {kLeftShiftKey, kRightShiftKey}) {
        maxModifierArea = std::max(maxModifierArea, KeyArea(m_rcKey[k.row][k.col]));
    }
    m_pKeyScratch.assign(static_cast<std::size_t>(maxArea), 0);
    m_modifierScratch.assign(static_cast<std::size_t>(maxModifierArea), 0);
    m_modifier = kNoKey;
}

void Scene::SetKeyboard(BoardShape shape, const KeyLegends& altGr)
{
    m_altGrLegend = altGr;
    if (shape != m_shape) {
        m_shape = shape;
        BuildKeys();
    }
}

void Scene::RedrawShown(CDC* dc, bool appleShown, char32_t shown, KeyCell key)
{
    if (dc == nullptr) {
        return;
    }
    if (appleShown) {
        RedrawApple(dc, shown);
        if (m_bKeyHidden) {
            BlinkKey(dc, key, 1);
        }
    }
    for (const int bRight : {0, 1}) {
        if (m_handShown[bRight] >= 0) {
            DrawHandPrompt(dc, bRight, 1, m_handShown[bRight]);
        }
    }
}

void Scene::ReleaseSaved()
{
    PixelBuffer().swap(m_appleBackground);
    m_background = nullptr;
}

void Scene::PaintKeysAndTree(CDC& dc, const KeyLegends& plain, const KeyLegends& shifted)
{
    CBitmap cap;
    cap.LoadBitmap(IDB_KEYCAP);
    BITMAP capSize{};
    cap.GetObject(&capSize);
    CDC memory;
    memory.CreateCompatibleDC(&dc);
    // One font for the keys of rows 0 to 3, one for each label of row 4: sized from the keys.
    const LegendFont upper = KeyLegendFont(m_rcKey[0][1], 1);
    CFont font;
    font.CreateFont(upper.height, upper.width, 0, 0, 0, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "system");
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

    // The third legend, in a smaller face and in blue, at the cap's lower right.
    const RECT& sample = m_rcKey[1][1];
    CFont altGrFont;
    altGrFont.CreateFont(std::max(8, (sample.bottom - sample.top) * 9 / 20), 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET,
                         0, 0, 0, 0, "DejaVu Sans");

    CBitmap* oldBitmap = memory.SelectObject(&cap);
    for (int r = 0; r < kKeyRows; ++r) {
        for (int j = 0; j < KeysInRow(r, m_shape); ++j) {
            const RECT& k = m_rcKey[r][j];
            dc.StretchBlt(k.left, k.top, k.right - k.left, k.bottom - k.top, &memory, 0, 0, capSize.bmWidth,
                          capSize.bmHeight, SRCCOPY);
            if (r < 4) {
                // A letter key shows its capital; other keys their plain character with the
                // shifted one above it.
                const char32_t down = plain[static_cast<std::size_t>(r)][static_cast<std::size_t>(j)];
                const char32_t up = shifted[static_cast<std::size_t>(r)][static_cast<std::size_t>(j)];
                const bool letter = IsLetterKey(down, up);
                const LegendSpot main = MainLegendSpot(k, letter);
                dc.TextOut(main.x, main.y, OneChar(letter ? up : down));
                if (!letter) {
                    const LegendSpot top = ShiftLegendSpot(k);
                    dc.TextOut(top.x, top.y, OneChar(up));
                }
                const char32_t third = m_altGrLegend[static_cast<std::size_t>(r)][static_cast<std::size_t>(j)];
                if (third != U' ' && third != 0) {
                    const LegendSpot spot = AltGrLegendSpot(k);
                    CFont* keyFont = dc.SelectObject(&altGrFont);
                    const COLORREF oldColour = dc.SetTextColor(kAltGrLegendColour);
                    dc.TextOut(spot.x, spot.y, OneChar(third));
                    dc.SetTextColor(oldColour);
                    dc.SelectObject(keyFont);
                }
            } else {
                const std::string label = BottomRowLabel(j);
                const LegendFont lf = KeyLegendFont(k, static_cast<int>(label.size()));
                CFont labelFont;
                labelFont.CreateFont(lf.height, lf.width, 0, 0, 0, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "system");
                dc.SelectObject(&labelFont);
                dc.TextOut(k.left + (k.right - k.left) / 3, k.top + (k.bottom - k.top) / 4, label);
                dc.SelectObject(&font);
            }
        }
    }

    const int yFirst = m_treePoint[static_cast<std::size_t>(m_shadeFirst)].y;
    const int count = static_cast<int>(m_treePoint.size());
    for (int i = 0; i < count; ++i) {
        const POINT& p = m_treePoint[static_cast<std::size_t>(i)];
        const COLORREF base = m_treeShade[static_cast<std::size_t>(i)];
        if (i < m_shadeFirst || i > m_shadeLast) {
            dc.SetPixel(p.x, p.y, kTreeGreen);
        } else if (m_treeScale == 1.0) {
            dc.SetPixel(p.x, p.y, ShadedColour(base, m_shadeHeight, p.y, yFirst));
        } else {
            // The gradient of the tree at its own size: the same colours from the crown to the foot.
            const int k = static_cast<int>((m_shadeHeight - (p.y - yFirst)) / m_treeScale);
            dc.SetPixel(p.x, p.y, ShadedColour(base, std::clamp(k, 0, 255), yFirst, yFirst));
        }
    }

    if (!m_bHandBackgroundSaved) {
        for (const int bRight : {0, 1}) {
            const RECT& k = m_rcKey[0][bRight != 0 ? 11 : 2];
            SaveRect(&dc, k.left, k.top - m_handHeight, k.left + m_handWidth - 1, k.top - 1,
                     bRight != 0 ? m_rightHandBackground : m_leftHandBackground);
        }
        m_bHandBackgroundSaved = TRUE;
    }
    memory.SelectObject(oldBitmap);
    dc.SelectObject(oldFont);
}

void Scene::SaveKey(CDC* dc, KeyCell key, KeyCell modifier)
{
    const RECT& k = m_rcKey[key.row][key.col];
    SaveRect(dc, k.left, k.top, k.right, k.bottom, m_pKeyScratch);
    m_modifier = modifier;
    if (m_modifier != kNoKey) {
        const RECT& m = m_rcKey[m_modifier.row][m_modifier.col];
        SaveRect(dc, m.left, m.top, m.right, m.bottom, m_modifierScratch);
    }
    m_bKeyHidden = false;
}

void Scene::RestoreKey(CDC* dc, KeyCell key)
{
    const RECT& k = m_rcKey[key.row][key.col];
    RestoreRect(dc, k.left, k.top, k.right, k.bottom, m_pKeyScratch);
    if (m_modifier != kNoKey) {
        const RECT& m = m_rcKey[m_modifier.row][m_modifier.col];
        RestoreRect(dc, m.left, m.top, m.right, m.bottom, m_modifierScratch);
        m_modifier = kNoKey;
    }
    m_bKeyHidden = false;
}

void Scene::BlinkKey(CDC* dc, KeyCell key, int phase)
{
    if (key.row < 0 || key.row >= 4 || dc == nullptr) {
        return;
    }
    const std::pair<KeyCell, const PixelBuffer*> blinking[] = {{key, &m_pKeyScratch}, {m_modifier, &m_modifierScratch}};
    for (const auto& [cell, cap] : blinking) {
        if (cell.row < 0 || cell.col < 0) {
            continue;  // no modifier blinks along
        }
        const RECT& k = m_rcKey[cell.row][cell.col];
        if (phase != 0) {
            PaintBackground(*dc, k);
        } else {
            RestoreRect(dc, k.left, k.top, k.right, k.bottom, *cap);
        }
    }
    m_bKeyHidden = phase != 0;
}

int Scene::IsAppleSpotFree(int x, int y) const
{
    return AppleSpotFree(m_treeMask, m_applePoint, x, y);
}

bool Scene::IsAppleInCrown(int x, int y) const
{
    const int cx = x + m_appleHalfWidth;
    const int cy = y + m_appleHalfHeight;
    // A box that touches no outline pixel, with its centre inside, lies wholly inside the outline.
    return cy < m_crownBottom && m_treeMask.Inside(cx, cy) &&
           !m_treeMask.AnyOutlineIn(x, y, x + AppleBoxWidth(), y + AppleBoxHeight());
}

const RECT* Scene::CoveredAreaUnder(int x, int y) const
{
    const auto under = std::find_if(m_covered.begin(), m_covered.end(), [&](const RECT& r) {
        return x < r.right && x + AppleBoxWidth() > r.left && y < r.bottom && y + AppleBoxHeight() > r.top;
    });
    return under != m_covered.end() ? &*under : nullptr;
}

bool Scene::AppleFits(int x, int y) const
{
    return IsAppleInCrown(x, y) && CoveredAreaUnder(x, y) == nullptr;
}

int Scene::NextAppleCandidate(int x, int y, int dir) const
{
    const int beyond = dir > 0 ? std::numeric_limits<int>::max() : std::numeric_limits<int>::min();
    const int cy = y + m_appleHalfHeight;
    if (cy >= m_crownBottom) {
        return beyond;
    }
    // The centre must lie inside: on to the nearest inside column that way.
    const std::optional<int> inside = m_treeMask.NextInside(x + m_appleHalfWidth, cy, dir);
    if (!inside) {
        return beyond;
    }
    if (*inside != x + m_appleHalfWidth) {
        return *inside - m_appleHalfWidth;
    }
    // A box over outline pixels: every box further that way up to the last (first) of them
    // covers that pixel too.
    if (const auto columns = m_treeMask.OutlineColumnsIn(x, y, x + AppleBoxWidth(), y + AppleBoxHeight())) {
        return dir > 0 ? columns->second + 1 : columns->first - AppleBoxWidth();
    }
    // Under a control: the same, past the control's edge.
    if (const RECT* r = CoveredAreaUnder(x, y)) {
        return dir > 0 ? r->right : r->left - AppleBoxWidth();
    }
    return x;
}

POINT Scene::PlaceApple(unsigned seed)
{
    // A random spot in the crown; two targets in the same second get the same spot. The drawn
    // column is centred on the tree's own span, whatever the screen's shape.
    std::srand(seed);
    const int s = m_treeShift;
    const int treeMiddle = (m_treeMask.MinX() + m_treeMask.MaxX()) / 2;
    const int drawnX = std::rand() % s + (2 * (treeMiddle - m_appleHalfWidth) - s) / 2;
    const int rows =
        std::max(1, m_treePoint[static_cast<std::size_t>(m_shadeFirst)].y - m_treeTop - 2 * m_appleHalfHeight);
    const int drawnY = m_treeTop + std::rand() % rows;
    const auto next = [this](int x, int y, int dir) { return NextAppleCandidate(x, y, dir); };
    // The drawn row first; where the crown is too narrow there, the nearest row that has room.
    // The sideways search skips whole stretches where no apple fits, not one column at a time:
    // at large screens a row without room would otherwise cost thousands of tests.
    for (int d = 0; d < rows; ++d) {
        for (const int y : {drawnY + d, drawnY - d}) {
            if (y < m_treeTop || y >= m_treeTop + rows || (d == 0 && y != drawnY)) {
                continue;
            }
            const int x = SearchAppleXSkipping(drawnX, y, m_nScreenWidth, AppleBoxWidth(), next);
            if (AppleFits(x, y)) {
                m_applePos = {x, y};
                return m_applePos;
            }
        }
    }
    m_applePos = {drawnX, drawnY};
    return m_applePos;
}

void Scene::DrawApple(CDC* dc, char32_t shown)
{
    KeepAppleBackground(dc);
    RedrawApple(dc, shown);
}

void Scene::RedrawApple(CDC* dc, char32_t shown)
{
    CFont font;
    font.CreateFont(AppleGlyphHeight(shown), 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, kAppleFace);
    CFont* oldFont = dc->SelectObject(&font);
    CBrush brush;
    brush.CreateSolidBrush(RGB(255, 255, 0));
    CBrush* oldBrush = dc->SelectObject(&brush);
    dc->SetTextColor(RGB(255, 0, 0));
    dc->SetBkMode(TRANSPARENT);
    for (const POINT& p : m_applePoint) {
        dc->SetPixel(m_applePos.x + p.x, m_applePos.y + p.y, RGB(255, 255, 0));
    }
    dc->FloodFill(m_applePos.x + m_appleFillSeed.x, m_applePos.y + m_appleFillSeed.y, RGB(255, 255, 0));
    const std::string text = OneChar(shown);
    const POINT origin = CentredTextOrigin(
        POINT{m_applePos.x + m_appleHalfWidth, m_applePos.y + m_appleFillSeed.y + 15}, dc->GetTextInkBox(text));
    dc->TextOut(origin.x, origin.y, text);
    dc->SelectObject(oldFont);
    dc->SelectObject(oldBrush);
}

void Scene::KeepAppleBackground(CDC* dc)
{
    const int boxRight = 2 * m_appleHalfWidth + 1;
    const int boxBottom = 2 * m_appleHalfHeight;
    SaveRect(dc, m_applePos.x, m_applePos.y, m_applePos.x + boxRight, m_applePos.y + boxBottom, m_appleBackground);
    m_bShownKept = true;
}

void Scene::BackgroundChanged()
{
    m_bHandBackgroundSaved = 0;
}

void Scene::PaintBackground(CDC& dc, const RECT& key)
{
    if (!m_background) {
        return;
    }
    const RECT clip = dc.Clip();
    dc.SetClip({std::max(clip.left, key.left), std::max(clip.top, key.top), std::min(clip.right, key.right + 1),
                std::min(clip.bottom, key.bottom + 1)});
    m_background(dc);
    dc.SetClip(clip);
}

void Scene::RestoreApple(CDC* dc)
{
    if (!m_bShownKept) {
        return;
    }
    const int boxRight = 2 * m_appleHalfWidth + 1;
    const int boxBottom = 2 * m_appleHalfHeight;
    RestoreRect(dc, m_applePos.x, m_applePos.y, m_applePos.x + boxRight, m_applePos.y + boxBottom, m_appleBackground);
}

void Scene::RestoreHandArea(CDC* dc, int bRight)
{
    if (dc == nullptr) {
        return;
    }
    const RECT& k = m_rcKey[0][bRight != 0 ? 11 : 2];
    RestoreRect(dc, k.left, k.top - m_handHeight, k.left + m_handWidth - 1, k.top - 1, HandBackground(bRight));
    m_handShown[bRight != 0 ? 1 : 0] = -1;
}

void Scene::DrawHandPrompt(CDC* dc, int bRight, int bShow, int finger)
{
    if (dc == nullptr) {
        return;
    }
    CPen pen;
    pen.CreatePen(PS_SOLID, 2, RGB(255, 225, 128));
    CPen* oldPen = dc->SelectObject(&pen);
    if (bShow != 0) {
        const RECT& k = m_rcKey[0][bRight != 0 ? 11 : 2];
        const int x0 = k.left;
        const int y0 = k.top - m_handHeight;
        CBitmap hand;
        hand.LoadBitmap(IDB_LEFT_HAND + (bRight != 0 ? 1 : 0));
        BITMAP bm{};
        hand.GetObject(&bm);
        CDC memory;
        memory.CreateCompatibleDC(dc);
        CBitmap* oldBitmap = memory.SelectObject(&hand);
        dc->BitBlt(x0, y0, bm.bmWidth, bm.bmHeight, &memory, 0, 0, SRCCOPY);
        memory.SelectObject(oldBitmap);
        // Black is the picture's surround: the first paint's screen shows through it.
        const PixelBuffer& saved = HandBackground(bRight);
        std::size_t i = 0;
        for (int y = y0; y <= y0 + bm.bmHeight - 1; ++y) {
            for (int x = x0; x <= x0 + bm.bmWidth - 1; ++x, ++i) {
                if (dc->GetPixel(x, y) == 0 && i < saved.size()) {
                    dc->SetPixel(x, y, saved[i]);
                }
            }
        }
        const POINT mark = FingerMark(bRight, finger);
        const int mx = x0 + mark.x;
        const int my = y0 + mark.y;
        dc->Arc(mx - 5, my - 5, mx + 5, my + 5, mx - 5, my, mx + 3, my);
        m_handShown[bRight != 0 ? 1 : 0] = finger;
    } else {
        RestoreHandArea(dc, bRight);
    }
    dc->SelectObject(oldPen);
}
