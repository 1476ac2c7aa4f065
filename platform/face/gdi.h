// Drawing on the screen and on bitmaps: a small device-context model over plain pixel memory.
// The screen is one framebuffer; every drawing call lands there and marks what it touched,
// and the window presents the touched rectangles once per message.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/surface/surface.h"
#include "platform/surface/wintypes.h"

struct BITMAP {
    int bmWidth = 0;
    int bmHeight = 0;
    int bmBitsPixel = 0;
};

// A bitmap resource or a bitmap made by the program.
class CBitmap {
public:
    // Bitmap resource by number; FALSE (and an empty bitmap) when there is none.
    BOOL LoadBitmap(UINT id);
    int GetObject(BITMAP* out) const;
    bool IsNull() const { return m_surface.Width() == 0; }
    Surface& Pixels() { return m_surface; }
    const Surface& Pixels() const { return m_surface; }

private:
    Surface m_surface;
    int m_bitsPixel = 0;
};

constexpr int FW_DONTCARE = 0;
constexpr int FW_BOLD = 700;
constexpr int DEFAULT_CHARSET = 1;

// A font asked for by cell height and average character width, as CreateFont does.
struct FontRequest {
    int height = 0;
    int width = 0;
    int weight = FW_DONTCARE;
    std::string face;
};

namespace platform_detail {
// The largest size from 4 to 'cell' whose height, as heightAt measures it, is at most 'cell'
// (4 when none is; 'cell' itself when it is 4 or less). Heights must not shrink as sizes grow.
int LargestSizeThatFits(int cell, const std::function<int(int)>& heightAt);
// The first of start, start - 5, start - 10, ... at which widestAt(stretch) * 10 <= room10, or
// the first at 50 or below when none before it does. Widths must not shrink as stretches grow.
int StretchThatFits(int start, int room10, const std::function<int(int)>& widestAt);
}  // namespace platform_detail

class CFont {
public:
    BOOL CreateFont(int height, int width, int escapement, int orientation, int weight, std::uint8_t italic,
                    std::uint8_t underline, std::uint8_t strikeOut, std::uint8_t charSet, std::uint8_t outPrecision,
                    std::uint8_t clipPrecision, std::uint8_t quality, std::uint8_t pitchAndFamily,
                    std::string_view face);
    const FontRequest& Request() const { return m_request; }
    bool IsNull() const { return !m_created; }

private:
    FontRequest m_request;
    bool m_created = false;
};

class CBrush {
public:
    BOOL CreateSolidBrush(COLORREF color);
    COLORREF Color() const { return m_color; }

private:
    COLORREF m_color = RGB(255, 255, 255);
};

constexpr int PS_SOLID = 0;

class CPen {
public:
    BOOL CreatePen(int style, int width, COLORREF color);
    COLORREF Color() const { return m_color; }
    int Width() const { return m_width; }

private:
    COLORREF m_color = RGB(0, 0, 0);
    int m_width = 1;
};

constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
constexpr std::uint32_t SRCCOPY = 0x00CC0020;

struct IconHandle;
using HICON = const IconHandle*;
// Icon resource by number; null when there is none.
HICON LoadIcon(UINT id);

// A device context: draws on one surface, clipped to a rectangle.
class CDC {
public:
    CDC();
    explicit CDC(Surface* target);
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    // A memory context; draws on whatever bitmap is selected into it.
    BOOL CreateCompatibleDC(CDC* reference);

    CFont* SelectObject(CFont* font);
    CBrush* SelectObject(CBrush* brush);
    CPen* SelectObject(CPen* pen);
    CBitmap* SelectObject(CBitmap* bitmap);

    COLORREF SetTextColor(COLORREF color);
    COLORREF SetBkColor(COLORREF color);
    int SetBkMode(int mode);

    COLORREF GetPixel(int x, int y) const;
    COLORREF SetPixel(int x, int y, COLORREF color);
    // A row of 'count' pixels from (x, y) rightwards, as GetPixel and SetPixel would read and
    // write them one by one: reading gives CLR_INVALID off the surface; writing skips what lies
    // off the surface or outside the clip and marks the written span dirty once.
    void GetPixelRow(int x, int y, COLORREF* out, int count) const;
    void SetPixelRow(int x, int y, const COLORREF* from, int count);
    // Fills, with the selected brush, the 4-connected area around (x, y) bounded by 'border'.
    BOOL FloodFill(int x, int y, COLORREF border);
    // Draws the text with its cell's top-left at (x, y) in the selected font.
    BOOL TextOut(int x, int y, std::string_view text);
    // The box the ink of 'text' covers, drawn with TextOut at (0, 0) in the selected font: right and
    // bottom exclusive; empty when it has no ink.
    RECT GetTextInkBox(std::string_view text) const;
    BOOL BitBlt(int x, int y, int width, int height, const CDC* src, int srcX, int srcY, std::uint32_t rop);
    BOOL StretchBlt(int x, int y, int width, int height, const CDC* src, int srcX, int srcY, int srcWidth,
                    int srcHeight, std::uint32_t rop);
    // Elliptic arc inside (l, t, r, b), counter-clockwise from the radial through (x3, y3)
    // to the radial through (x4, y4), with the selected pen.
    BOOL Arc(int l, int t, int r, int b, int x3, int y3, int x4, int y4);
    BOOL DrawIcon(int x, int y, HICON icon);
    void FillSolidRect(int x, int y, int width, int height, COLORREF color);
    // The desktop as it was when the program started.
    BOOL PaintDesktop();
    // Draws an image stretched into the rectangle (used by the picture decoder).
    void DrawImage(const Surface& image, const RECT& dest);

    Surface* Target() const;
    // Drawing is clipped to this rectangle (right and bottom exclusive).
    void SetClip(const RECT& clip) { m_clip = clip; }
    const RECT& Clip() const { return m_clip; }

protected:
    void Attach(Surface* target);

private:
    bool InClip(int x, int y) const
    {
        return x >= m_clip.left && y >= m_clip.top && x < m_clip.right && y < m_clip.bottom;
    }
    RECT ClipOf(const Surface* s) const;

    Surface* m_target = nullptr;
    RECT m_clip{0, 0, 0, 0};
    bool m_memory = false;
    CFont* m_font = nullptr;
    CBrush* m_brush = nullptr;
    CPen* m_pen = nullptr;
    CBitmap* m_bitmap = nullptr;
    CFont m_defaultFont;
    CBrush m_defaultBrush;
    CPen m_defaultPen;
    COLORREF m_textColor = RGB(0, 0, 0);
    COLORREF m_bkColor = RGB(255, 255, 255);
    int m_bkMode = OPAQUE;
};
