// What is drawn on the screen and put back: the key caps and the pixels under them, the tree and
// the apple with the background under it, and the two hand areas. Every drawing operation takes
// the device context it draws on; the scene itself knows nothing of windows.
#pragma once

#include <functional>
#include <utility>
#include <vector>

#include "platform/face/gdi.h"
#include "practice/KeyLayout.h"
#include "practice/KeyboardModel.h"
#include "scene/ShapeOutlines.h"
#include "scene/ShapeTables.h"

using PixelBuffer = std::vector<COLORREF>;

// Resource ids of the pictures the scene draws.
constexpr UINT IDB_KEYCAP = 129;
constexpr UINT IDB_LEFT_HAND = 130;
constexpr UINT IDB_RIGHT_HAND = 131;

// Base colour of the lower trunk and the foot. The gradient raises its green toward the crown,
// so the trunk turns from bark brown at the foot to a mossy olive where it meets the crown.
constexpr COLORREF kTrunkColour = RGB(176, 112, 58);
constexpr COLORREF kTreeGreen = RGB(0, 255, 0);

class Scene {
public:
    Scene();

    // Places the tree, the apple outline and the keys for a screen of width x height pixels and
    // sizes every buffer, so drawing and putting back never allocate.
    void Build(int width, int height);

    // The board's shape and the third (AltGr) legends of its caps, from the keyboard layout. A new
    // shape places the keys anew.
    void SetKeyboard(BoardShape shape, const KeyLegends& altGr);
    BoardShape Shape() const { return m_shape; }

    // Key caps with their legends and the tree, over the background already on 'dc'. The first
    // call also keeps the background under the two hands.
    void PaintKeysAndTree(CDC& dc, const KeyLegends& plain, const KeyLegends& shifted);
    // How the background that a full paint drew is drawn again (within the context's clip), for
    // a key hidden by its blink: drawn anew rather than kept, since the keys cover several MB at
    // large screens. Set by each full paint, before PaintKeysAndTree.
    void SetBackground(std::function<void(CDC&)> paint) { m_background = std::move(paint); }

    // The key cap of 'key' as drawn now, kept for blinking and putting back; with it the cap of
    // 'modifier' (Shift, AltGr; kNoKey for none), which blinks along.
    void SaveKey(CDC* dc, KeyCell key, KeyCell modifier = kNoKey);
    // Puts back the kept key cap and the modifier's.
    void RestoreKey(CDC* dc, KeyCell key);
    // Draws 'key' and its modifier hidden into the background (phase 1) or with their caps (phase 0).
    void BlinkKey(CDC* dc, KeyCell key, int phase);

    // Draws the spot of the next apple from the generator seeded with 'seed': a random row
    // above the trunk and a random column around the tree's middle, moved sideways (and, where
    // the crown has no room in that row, to the nearest row that has) until the apple touches
    // no branch and its centre lies inside the crown.
    POINT PlaceApple(unsigned seed);
    // Areas the window's controls cover (right and bottom exclusive); no apple is placed under them.
    void SetCoveredAreas(std::vector<RECT> areas) { m_covered = std::move(areas); }

    // Keeps the screen under the apple's box and draws the apple with its character, centred on
    // the apple's body in a face where l, I, 1, O and 0 differ; small marks drawn larger.
    void DrawApple(CDC* dc, char32_t shown);
    // Draws the apple on show again over a repainted screen; what is kept under it stays.
    void RedrawApple(CDC* dc, char32_t shown);
    // Puts back the screen under the apple's box.
    void RestoreApple(CDC* dc);
    // Keeps what is under the apple's box now (a full paint without the apple) as its background.
    void KeepAppleBackground(CDC* dc);
    // The background under the scene changed: the next full paint keeps it again under the hands.
    void BackgroundChanged();
    // False after Build until an apple is drawn: nothing is kept under the apple or the target key
    // on this screen yet.
    bool ShownKept() const { return m_bShownKept; }

    // After a repaint of the background, keys and tree: the apple with its character (when one
    // is on show), the target key in its blink phase and a hand prompt on show come back as
    // they were. What is kept under them stays as it was.
    void RedrawShown(CDC* dc, bool appleShown, char32_t shown, KeyCell key);

    // The hand prompt: bRight 1 the right hand; bShow 1 draws the hand with a ring on 'finger',
    // 0 puts the background back.
    void DrawHandPrompt(CDC* dc, int bRight, int bShow, int finger);
    void RestoreHandArea(CDC* dc, int bRight);

    // 1 when an apple with its top-left at (x, y) shares no pixel with the tree outline.
    int IsAppleSpotFree(int x, int y) const;
    // True when an apple with its top-left at (x, y) hangs in the crown: its box covers no pixel
    // of the outline, and its centre lies inside the outline above where the trunk's edge lines
    // meet the crown.
    bool IsAppleInCrown(int x, int y) const;
    // True when an apple at (x, y) hangs in the crown and under none of the covered areas.
    bool AppleFits(int x, int y) const;
    // x when the apple fits at (x, y); otherwise a column further along 'dir' (1 right, -1 left)
    // such that it fits at none between them: past the crown's outline, a control or the end of
    // the crown's inside on that row, or beyond the screen when nothing is left that way.
    int NextAppleCandidate(int x, int y, int dir) const;
    // The row where the trunk's edge lines meet the crown (the higher of the two meeting points).
    int CrownBottom() const { return m_crownBottom; }
    // The scale of the tree on this screen (1 on a 1024 x 768 screen).
    double TreeScale() const { return m_treeScale; }
    // The row of the tree's top: 0, but on a screen whose width holds the tree smaller than the
    // room above the keyboard, where the tree stands on the keyboard.
    int TreeTop() const { return m_treeTop; }

    int ScreenWidth() const { return m_nScreenWidth; }
    int ScreenHeight() const { return m_nScreenHeight; }
    const RECT& KeyRect(int row, int col) const { return m_rcKey[row][col]; }
    const KeyRects& KeyRectangles() const { return m_rcKey; }
    const PixelBuffer& KeyScratch() const { return m_pKeyScratch; }
    const std::vector<POINT>& TreePoints() const { return m_treePoint; }
    const POINT (&ApplePoints() const)[kApplePointCount] { return m_applePoint; }
    int TreeShift() const { return m_treeShift; }
    int ShadeFirst() const { return m_shadeFirst; }
    int ShadeLast() const { return m_shadeLast; }
    int ShadeHeight() const { return m_shadeHeight; }
    int AppleHalfWidth() const { return m_appleHalfWidth; }
    int AppleHalfHeight() const { return m_appleHalfHeight; }
    POINT ApplePos() const { return m_applePos; }
    const PixelBuffer& AppleBackground() const { return m_appleBackground; }
    int HandWidth() const { return m_handWidth; }
    int HandHeight() const { return m_handHeight; }
    const PixelBuffer& HandBackground(int bRight) const
    {
        return bRight != 0 ? m_rightHandBackground : m_leftHandBackground;
    }
    // Frees what the first paint kept, when the window closes.
    void ReleaseSaved();

private:
    // The apple's box as placement tests it: one column wider and one row taller than its outline.
    int AppleBoxWidth() const { return 2 * m_appleHalfWidth + 2; }
    int AppleBoxHeight() const { return 2 * m_appleHalfHeight + 1; }
    // The first covered area an apple at (x, y) would lie under, or none.
    const RECT* CoveredAreaUnder(int x, int y) const;
    void BuildShapeOutlines();
    void BuildKeys();
    // The background, as the last full paint drew it, over an inclusive key rectangle.
    void PaintBackground(CDC& dc, const RECT& key);

    int m_nScreenWidth = 0;
    int m_nScreenHeight = 0;

    // Keys: rectangles, and the current target's cap.
    KeyRects m_rcKey{};
    PixelBuffer m_pKeyScratch;
    KeyCell m_modifier = kNoKey;
    PixelBuffer m_modifierScratch;
    BoardShape m_shape = BoardShape::Ansi;
    KeyLegends m_altGrLegend{};
    // Draws the background as the last full paint drew it, within the context's clip.
    std::function<void(CDC&)> m_background;
    // The target key is drawn hidden into the background (its blink's dark phase).
    bool m_bKeyHidden = false;

    // Tree and apple outlines.
    std::vector<POINT> m_treePoint;
    POINT m_applePoint[kApplePointCount] = {};
    std::vector<COLORREF> m_treeShade;
    double m_treeScale = 1.0;
    int m_treeTop = 0;  // row of the tree's top on the screen
    int m_crownBottom = 0;
    int m_treeShift = 0;
    int m_shadeFirst = 0;
    int m_shadeLast = 0;
    int m_shadeHeight = 0;
    int m_appleHalfWidth = 0;
    int m_appleHalfHeight = 0;
    // Which screen pixels the tree outline covers, for the apple placement.
    OutlineMask m_treeMask;

    // What the controls cover, kept clear of apples.
    std::vector<RECT> m_covered;

    // The apple on show and the screen under its box.
    POINT m_applePos{};
    POINT m_appleFillSeed{14, 25};
    PixelBuffer m_appleBackground;
    bool m_bShownKept = false;

    // Hand areas above the keyboard: the background under each, kept at the first paint.
    int m_handWidth = 0;
    int m_handHeight = 0;
    PixelBuffer m_leftHandBackground;
    PixelBuffer m_rightHandBackground;
    int m_bHandBackgroundSaved = 0;
    // The finger whose ring each hand shows now, or -1 while that hand is not on show.
    int m_handShown[2] = {-1, -1};
};
