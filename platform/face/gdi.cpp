// Device contexts on plain pixel memory; text, arcs and stretching go through QPainter.
#include "platform/face/gdi.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QIconEngine>
#include <QImageReader>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cstdlib>
#include <cmath>
#include <map>
#include <numbers>
#include <tuple>

#include "platform/desktop/readers/desktop.h"
#include "platform/desktop/readers/image.h"
#include "platform/face/gdi_qt.h"
#include "platform/face/qt_text.h"
#include "platform/face/resources.h"
#include "platform/face/winapi.h"

using namespace platform_detail;

// ---------------------------------------------------------------------------------------------
// Fonts

namespace platform_detail {

int LargestSizeThatFits(int cell, const std::function<int(int)>& heightAt)
{
    // Heights grow with the size nearly in proportion, so the search starts where one
    // measurement says the answer lies and steps from there: each size measured loads a font.
    if (cell <= 4) {
        return cell;
    }
    const int full = heightAt(cell);
    if (full <= cell) {
        return cell;
    }
    int size = std::clamp(static_cast<int>(static_cast<long long>(cell) * cell / std::max(1, full)), 4, cell - 1);
    if (heightAt(size) <= cell) {
        while (size + 1 < cell && heightAt(size + 1) <= cell) {
            ++size;
        }
        return size;
    }
    while (size > 4) {
        --size;
        if (heightAt(size) <= cell) {
            break;
        }
    }
    return size;
}

int StretchThatFits(int start, int room10, const std::function<int(int)>& widestAt)
{
    // Steps k = 0, 1, ... stand for start - 5k; the last is the first at 50 or below.
    const auto stretchAt = [start](int k) { return start - 5 * k; };
    const int last = start > 50 ? (start - 50 + 4) / 5 : 0;
    const auto fits = [&](int k) { return k >= last || widestAt(stretchAt(k)) * 10 <= room10; };
    if (last == 0) {
        return start;
    }
    const int widest = widestAt(start);
    if (widest * 10 <= room10) {
        return start;
    }
    // Glyphs widen with the stretch nearly in proportion: start one step short of the estimate.
    const long long wanted = static_cast<long long>(start) * room10 / (10LL * std::max(1, widest));
    int k = std::clamp(static_cast<int>((start - wanted + 4) / 5) - 1, 1, last);
    if (fits(k)) {
        while (k > 1 && fits(k - 1)) {
            --k;
        }
    } else {
        while (!fits(k + 1)) {
            ++k;
        }
        ++k;
    }
    return stretchAt(k);
}

const QFont& FontFor(const FontRequest& request)
{
    static std::map<std::tuple<int, int, int, std::string>, QFont> cache;
    const auto key = std::make_tuple(request.height, request.width, request.weight, request.face);
    auto it = cache.find(key);
    if (it != cache.end()) {
        return it->second;
    }
    // "system" and faces that are not installed map to a sans-serif that is always there;
    // the old bitmap system font was bold.
    QString family = ToQt(request.face);
    bool bold = request.weight >= FW_BOLD;
    const QString lower = family.toLower();
    if (lower.isEmpty() || lower == "system" || !QFontDatabase::families().contains(family)) {
        family = QStringLiteral("DejaVu Sans");
        bold = bold || lower == "system";
    }
    QFont font(family);
    font.setBold(bold);
    font.setStyleStrategy(QFont::PreferAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    // A positive height is the cell height; a negative one the character height.
    const int cell = std::abs(request.height) > 0 ? std::abs(request.height) : 16;
    const int pixel = LargestSizeThatFits(cell, [&](int size) {
        font.setPixelSize(size);
        const QFontMetrics m(font);
        return request.height < 0 ? m.ascent() : m.height();
    });
    font.setPixelSize(pixel);
    if (request.width > 0) {
        const QFontMetrics m(font);
        const int avg = std::max(1, m.averageCharWidth());
        int stretch = std::clamp(request.width * 100 / avg, 50, 200);
        // The widest glyphs stay within 1.6 cells, so a character never spills far out of
        // the place it was drawn for.
        stretch = StretchThatFits(stretch, request.width * 16, [&font](int s) {
            font.setStretch(s);
            const QFontMetrics wm(font);
            return std::max(
                {wm.horizontalAdvance(QChar('W')), wm.horizontalAdvance(QChar('M')), wm.horizontalAdvance(QChar('@'))});
        });
        font.setStretch(stretch);
    }
    return cache.emplace(key, font).first->second;
}

}  // namespace platform_detail

namespace {

// A measurement of one text in one requested face, made once: the apple and the report ask for
// the same few texts at every target. The request stands for the font (FontFor maps each request
// to one font), and it is far cheaper to compare than the font's own key.
template <class T> class TextMeasures {
public:
    template <class Measure> T Get(const FontRequest& request, std::string_view text, Measure&& measure)
    {
        Key key{request.height, request.width, request.weight, request.face, std::string(text)};
        if (const auto found = m_kept.find(key); found != m_kept.end()) {
            return found->second;
        }
        if (m_kept.size() >= 512) {
            m_kept.clear();
        }
        const T value = measure();
        m_kept.emplace(std::move(key), value);
        return value;
    }

private:
    using Key = std::tuple<int, int, int, std::string, std::string>;
    std::map<Key, T> m_kept;
};

// The box of the pixels a text's glyphs ink, relative to where the text is drawn.
RECT MeasureInk(const QFont& font, const QString& str)
{
    const QFontMetrics metrics(font);
    const int pad = metrics.height();
    QImage ink(metrics.horizontalAdvance(str) + 2 * pad, metrics.height() + 2 * pad, QImage::Format_Grayscale8);
    if (ink.isNull()) {
        return RECT{};
    }
    ink.fill(0);
    {
        QPainter painter(&ink);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(pad, pad + metrics.ascent(), str);
    }
    const int width = ink.width();
    const int height = ink.height();
    RECT box{width, height, -1, -1};
    for (int y = 0; y < height; ++y) {
        const uchar* row = ink.constScanLine(y);
        for (int x = 0; x < width; ++x) {
            if (row[x] >= 128) {
                box = RECT{std::min<int>(box.left, x), std::min<int>(box.top, y), std::max<int>(box.right, x + 1),
                           std::max<int>(box.bottom, y + 1)};
            }
        }
    }
    return box.right < 0 ? RECT{} : RECT{box.left - pad, box.top - pad, box.right - pad, box.bottom - pad};
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Drawing objects

namespace {

// A picture in a format the toolkit reads itself (BMP, PNG). With the format named and guessing
// off the reader loads no image plugin: guessing, even after a named format, loads every plugin
// (and the libraries behind them: JPEG, TIFF, WebP, SVG) to ask each whether it reads the data.
QImage DecodeBuiltIn(const QByteArray& bytes, const char* format)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

}  // namespace

BOOL CBitmap::LoadBitmap(UINT id)
{
    m_surface = Surface();
    const QByteArray* bytes = ResourceBytes("bitmap", ResourceName(id));
    if (bytes == nullptr) {
        return FALSE;
    }
    // Bitmap resources are BMP files.
    const QImage image = DecodeBuiltIn(*bytes, "BMP");
    if (image.isNull()) {
        return FALSE;
    }
    m_bitsPixel = image.hasAlphaChannel() ? 32 : 24;
    m_surface = SurfaceFromImage(image);
    return TRUE;
}

int CBitmap::GetObject(BITMAP* out) const
{
    if (out == nullptr || IsNull()) {
        return 0;
    }
    out->bmWidth = m_surface.Width();
    out->bmHeight = m_surface.Height();
    out->bmBitsPixel = m_bitsPixel;
    return static_cast<int>(sizeof(BITMAP));
}

BOOL CFont::CreateFont(int height, int width, int, int, int weight, std::uint8_t, std::uint8_t, std::uint8_t,
                       std::uint8_t, std::uint8_t, std::uint8_t, std::uint8_t, std::uint8_t, std::string_view face)
{
    m_request = FontRequest{height, width, weight, std::string(face)};
    m_created = true;
    return TRUE;
}

BOOL CBrush::CreateSolidBrush(COLORREF color)
{
    m_color = color;
    return TRUE;
}

BOOL CPen::CreatePen(int, int width, COLORREF color)
{
    m_width = std::max(1, width);
    m_color = color;
    return TRUE;
}

namespace {

// The program's icon at the sizes it was drawn at, each decoded the first time it is asked for:
// a window shows one or two of them, and the start does not wait for the rest.
class BuiltInIconEngine : public QIconEngine {
public:
    BuiltInIconEngine(std::vector<int> sizes, std::string prefix)
        : m_sizes(std::move(sizes)), m_prefix(std::move(prefix))
    {
    }
    QIconEngine* clone() const override { return new BuiltInIconEngine(m_sizes, m_prefix); }
    QString key() const override { return QStringLiteral("pomarel-builtin"); }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        QList<QSize> sizes;
        for (const int s : m_sizes) {
            sizes.append(QSize(s, s));
        }
        return sizes;
    }
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        const int side = std::min(Pick(std::max(size.width(), size.height())), std::min(size.width(), size.height()));
        return QSize(side, side);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        const QImage& image = Decoded(Pick(std::max(size.width(), size.height())));
        if (image.isNull()) {
            return {};
        }
        const QSize fit = image.size().boundedTo(size);
        if (fit == image.size()) {
            return QPixmap::fromImage(image);
        }
        return QPixmap::fromImage(image.scaled(fit, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        painter->drawPixmap(rect, pixmap(rect.size() * painter->device()->devicePixelRatio(), mode, state));
    }
    bool isNull() override { return m_sizes.empty(); }

private:
    // The smallest drawn size at least as large as asked for, else the largest.
    int Pick(int wanted) const
    {
        for (const int s : m_sizes) {
            if (s >= wanted) {
                return s;
            }
        }
        return m_sizes.empty() ? 0 : m_sizes.back();
    }
    const QImage& Decoded(int size)
    {
        auto it = m_images.find(size);
        if (it == m_images.end()) {
            QImage image;
            if (const QByteArray* bytes = ResourceBytes("icon", m_prefix + std::to_string(size))) {
                image = DecodeBuiltIn(*bytes, "PNG");
            }
            it = m_images.emplace(size, std::move(image)).first;
        }
        return it->second;
    }

    std::vector<int> m_sizes;  // ascending
    std::string m_prefix;
    std::map<int, QImage> m_images;
};

}  // namespace

HICON LoadIcon(UINT id)
{
    static std::map<UINT, IconHandle> icons;
    auto it = icons.find(id);
    if (it != icons.end()) {
        return &it->second;
    }
    // Icon 128 is the set of apple pictures at their sizes.
    if (id != 128) {
        return nullptr;
    }
    std::vector<int> sizes;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        if (ResourceBytes("icon", "pomarel-" + std::to_string(size)) != nullptr) {
            sizes.push_back(size);
        }
    }
    if (sizes.empty()) {
        return nullptr;
    }
    return &icons.emplace(id, IconHandle{QIcon(new BuiltInIconEngine(std::move(sizes), "pomarel-"))}).first->second;
}

// ---------------------------------------------------------------------------------------------
// CDC

CDC::CDC()
{
    m_defaultFont.CreateFont(16, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "system");
}

CDC::CDC(Surface* target) : CDC()
{
    Attach(target);
}

CDC::~CDC() = default;

void CDC::Attach(Surface* target)
{
    m_target = target;
    m_clip = ClipOf(target);
}

RECT CDC::ClipOf(const Surface* s) const
{
    if (s == nullptr) {
        return {0, 0, 0, 0};
    }
    return {0, 0, s->Width(), s->Height()};
}

Surface* CDC::Target() const
{
    return m_target;
}

BOOL CDC::CreateCompatibleDC(CDC*)
{
    m_memory = true;
    Attach(nullptr);
    return TRUE;
}

CFont* CDC::SelectObject(CFont* font)
{
    CFont* old = m_font != nullptr ? m_font : &m_defaultFont;
    m_font = font;
    return old;
}

CBrush* CDC::SelectObject(CBrush* brush)
{
    CBrush* old = m_brush != nullptr ? m_brush : &m_defaultBrush;
    m_brush = brush;
    return old;
}

CPen* CDC::SelectObject(CPen* pen)
{
    CPen* old = m_pen != nullptr ? m_pen : &m_defaultPen;
    m_pen = pen;
    return old;
}

CBitmap* CDC::SelectObject(CBitmap* bitmap)
{
    CBitmap* old = m_bitmap;
    m_bitmap = bitmap;
    if (m_memory) {
        Attach(bitmap != nullptr ? &bitmap->Pixels() : nullptr);
    }
    return old;
}

COLORREF CDC::SetTextColor(COLORREF color)
{
    return std::exchange(m_textColor, color);
}

COLORREF CDC::SetBkColor(COLORREF color)
{
    return std::exchange(m_bkColor, color);
}

int CDC::SetBkMode(int mode)
{
    return std::exchange(m_bkMode, mode);
}

COLORREF CDC::GetPixel(int x, int y) const
{
    if (m_target == nullptr || !m_target->Contains(x, y)) {
        return CLR_INVALID;
    }
    return FromScreenPixel(m_target->Row(y)[x]);
}

COLORREF CDC::SetPixel(int x, int y, COLORREF color)
{
    if (m_target == nullptr || !m_target->Contains(x, y) || !InClip(x, y)) {
        return CLR_INVALID;
    }
    m_target->Row(y)[x] = ToScreenPixel(color);
    m_target->MarkDirtyPixel(x, y);
    return color;
}

void CDC::GetPixelRow(int x, int y, COLORREF* out, int count) const
{
    if (count <= 0) {
        return;
    }
    const int from = std::max(x, 0);
    const int to =
        m_target == nullptr || y < 0 || y >= m_target->Height() ? from : std::min(x + count, m_target->Width());
    if (from >= to) {
        std::fill(out, out + count, CLR_INVALID);
        return;
    }
    std::fill(out, out + (from - x), CLR_INVALID);
    const std::uint32_t* row = m_target->Row(y);
    for (int i = from; i < to; ++i) {
        out[i - x] = FromScreenPixel(row[i]);
    }
    std::fill(out + (to - x), out + count, CLR_INVALID);
}

void CDC::SetPixelRow(int x, int y, const COLORREF* from, int count)
{
    if (m_target == nullptr || count <= 0 || y < 0 || y >= m_target->Height() || y < m_clip.top || y >= m_clip.bottom) {
        return;
    }
    const int left = std::max({x, 0, m_clip.left});
    const int right = std::min({x + count, m_target->Width(), m_clip.right});
    if (left >= right) {
        return;
    }
    std::uint32_t* row = m_target->Row(y);
    for (int i = left; i < right; ++i) {
        row[i] = ToScreenPixel(from[i - x]);
    }
    m_target->MarkDirtyRun(left, y, right, y + 1);
}

BOOL CDC::FloodFill(int x, int y, COLORREF border)
{
    if (m_target == nullptr || !m_target->Contains(x, y) || !InClip(x, y)) {
        return FALSE;
    }
    const std::uint32_t stop = ToScreenPixel(border);
    const std::uint32_t fill = ToScreenPixel((m_brush != nullptr ? m_brush : &m_defaultBrush)->Color());
    Surface& s = *m_target;
    const RECT box = {std::max<int>(m_clip.left, 0), std::max<int>(m_clip.top, 0),
                      std::min<int>(m_clip.right, s.Width()), std::min<int>(m_clip.bottom, s.Height())};
    auto open = [&](int px, int py) {
        const std::uint32_t p = s.Row(py)[px];
        return p != stop && p != fill;
    };
    if (!open(x, y)) {
        return FALSE;
    }
    // Span fill: each popped seed fills its row run, then seeds the runs above and below.
    std::vector<POINT> stack{{x, y}};
    RECT touched{x, y, x + 1, y + 1};
    while (!stack.empty()) {
        const POINT p = stack.back();
        stack.pop_back();
        std::uint32_t* row = s.Row(p.y);
        if (!open(p.x, p.y)) {
            continue;
        }
        int l = p.x;
        int r = p.x;
        while (l - 1 >= box.left && open(l - 1, p.y)) {
            --l;
        }
        while (r + 1 < box.right && open(r + 1, p.y)) {
            ++r;
        }
        std::fill(row + l, row + r + 1, fill);
        touched.left = std::min<int>(touched.left, l);
        touched.right = std::max<int>(touched.right, r + 1);
        touched.top = std::min<int>(touched.top, p.y);
        touched.bottom = std::max<int>(touched.bottom, p.y + 1);
        for (const int ny : {p.y - 1, p.y + 1}) {
            if (ny < box.top || ny >= box.bottom) {
                continue;
            }
            bool inRun = false;
            for (int nx = l; nx <= r; ++nx) {
                const bool o = open(nx, ny);
                if (o && !inRun) {
                    stack.push_back({nx, ny});
                }
                inRun = o;
            }
        }
    }
    s.MarkDirty(touched.left, touched.top, touched.right, touched.bottom);
    return TRUE;
}

BOOL CDC::TextOut(int x, int y, std::string_view text)
{
    if (text.empty()) {
        return TRUE;
    }
    if (m_target == nullptr) {
        return FALSE;
    }
    QImage image = WrapSurface(*m_target);
    if (image.isNull()) {
        return FALSE;
    }
    const FontRequest& request = (m_font != nullptr ? m_font : &m_defaultFont)->Request();
    const QFont& font = FontFor(request);
    const QFontMetrics metrics(font);
    // Control characters show as nothing rather than as boxes.
    QString str = ToQt(text);
    for (QChar& c : str) {
        if (c.unicode() < 0x20) {
            c = QChar(' ');
        }
    }
    thread_local TextMeasures<int> advances;
    const int advance = advances.Get(request, text, [&] { return metrics.horizontalAdvance(str); });
    const QRect cell(x, y, advance, metrics.height());
    {
        QPainter painter(&image);
        painter.setClipRect(QRect(QPoint(m_clip.left, m_clip.top), QPoint(m_clip.right - 1, m_clip.bottom - 1)));
        if (m_bkMode == OPAQUE) {
            painter.fillRect(cell, QColor(GetRValue(m_bkColor), GetGValue(m_bkColor), GetBValue(m_bkColor)));
        }
        painter.setFont(font);
        painter.setPen(QColor(GetRValue(m_textColor), GetGValue(m_textColor), GetBValue(m_textColor)));
        painter.drawText(x, y + metrics.ascent(), str);
    }
    // Italic overhang and wide glyphs may reach past the advance: mark a little more.
    m_target->MarkDirty(cell.left() - 2, cell.top(), cell.right() + 4, cell.bottom() + 2);
    return TRUE;
}

RECT CDC::GetTextInkBox(std::string_view text) const
{
    // Measured on the glyphs as drawn: the font's own tight box is off by several pixels for
    // small marks such as ' and `. Each text in each face is measured once: the apple asks for
    // the same few characters at every target.
    const FontRequest& request = (m_font != nullptr ? m_font : &m_defaultFont)->Request();
    thread_local TextMeasures<RECT> measured;
    return measured.Get(request, text, [&] { return MeasureInk(FontFor(request), ToQt(text)); });
}

BOOL CDC::BitBlt(int x, int y, int width, int height, const CDC* src, int srcX, int srcY, std::uint32_t)
{
    if (m_target == nullptr || src == nullptr || src->m_target == nullptr) {
        return FALSE;
    }
    const Surface& from = *src->m_target;
    for (int dy = 0; dy < height; ++dy) {
        const int ty = y + dy;
        const int sy = srcY + dy;
        if (ty < m_clip.top || ty >= m_clip.bottom || !from.Contains(0, sy) || ty < 0 || ty >= m_target->Height()) {
            continue;
        }
        for (int dx = 0; dx < width; ++dx) {
            const int tx = x + dx;
            const int sx = srcX + dx;
            if (tx < m_clip.left || tx >= m_clip.right || tx < 0 || tx >= m_target->Width() || sx < 0 ||
                sx >= from.Width()) {
                continue;
            }
            m_target->Row(ty)[tx] = from.Row(sy)[sx];
        }
    }
    m_target->MarkDirty(x, y, x + width, y + height);
    return TRUE;
}

BOOL CDC::StretchBlt(int x, int y, int width, int height, const CDC* src, int srcX, int srcY, int srcWidth,
                     int srcHeight, std::uint32_t)
{
    if (m_target == nullptr || src == nullptr || src->m_target == nullptr || width <= 0 || height <= 0) {
        return FALSE;
    }
    QImage image = WrapSurface(*m_target);
    const QImage from = WrapSurface(*src->m_target);
    if (image.isNull() || from.isNull()) {
        return FALSE;
    }
    {
        QPainter painter(&image);
        painter.setClipRect(QRect(QPoint(m_clip.left, m_clip.top), QPoint(m_clip.right - 1, m_clip.bottom - 1)));
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.drawImage(QRect(x, y, width, height), from, QRect(srcX, srcY, srcWidth, srcHeight));
    }
    m_target->MarkDirty(x, y, x + width, y + height);
    return TRUE;
}

BOOL CDC::Arc(int l, int t, int r, int b, int x3, int y3, int x4, int y4)
{
    if (m_target == nullptr) {
        return FALSE;
    }
    QImage image = WrapSurface(*m_target);
    if (image.isNull()) {
        return FALSE;
    }
    const double cx = (l + r) / 2.0;
    const double cy = (t + b) / 2.0;
    // Angles in Qt's sense: counter-clockwise on the screen, 0 at three o'clock.
    const double a0 = std::atan2(-(y3 - cy), x3 - cx) * 180.0 / std::numbers::pi;
    const double a1 = std::atan2(-(y4 - cy), x4 - cx) * 180.0 / std::numbers::pi;
    double span = a1 - a0;
    while (span <= 0) {
        span += 360.0;
    }
    const CPen* pen = m_pen != nullptr ? m_pen : &m_defaultPen;
    {
        QPainter painter(&image);
        painter.setClipRect(QRect(QPoint(m_clip.left, m_clip.top), QPoint(m_clip.right - 1, m_clip.bottom - 1)));
        painter.setRenderHint(QPainter::Antialiasing, true);
        QPen qpen(QColor(GetRValue(pen->Color()), GetGValue(pen->Color()), GetBValue(pen->Color())));
        qpen.setWidth(pen->Width());
        qpen.setCapStyle(Qt::RoundCap);
        painter.setPen(qpen);
        painter.drawArc(QRectF(l + 0.5, t + 0.5, r - l, b - t), static_cast<int>(std::lround(a0 * 16)),
                        static_cast<int>(std::lround(span * 16)));
    }
    const int w = pen->Width();
    m_target->MarkDirty(l - w, t - w, r + w + 1, b + w + 1);
    return TRUE;
}

BOOL CDC::DrawIcon(int x, int y, HICON icon)
{
    if (m_target == nullptr) {
        return FALSE;
    }
    QImage image = WrapSurface(*m_target);
    if (image.isNull() || icon == nullptr) {
        return FALSE;
    }
    const int cx = GetSystemMetrics(SM_CXICON);
    const int cy = GetSystemMetrics(SM_CYICON);
    {
        QPainter painter(&image);
        painter.setClipRect(QRect(QPoint(m_clip.left, m_clip.top), QPoint(m_clip.right - 1, m_clip.bottom - 1)));
        painter.drawPixmap(x, y, icon->icon.pixmap(cx, cy));
    }
    m_target->MarkDirty(x, y, x + cx, y + cy);
    return TRUE;
}

void CDC::FillSolidRect(int x, int y, int width, int height, COLORREF color)
{
    if (m_target == nullptr) {
        return;
    }
    const int l = std::max({x, static_cast<int>(m_clip.left), 0});
    const int t = std::max({y, static_cast<int>(m_clip.top), 0});
    const int r = std::min({x + width, static_cast<int>(m_clip.right), m_target->Width()});
    const int b = std::min({y + height, static_cast<int>(m_clip.bottom), m_target->Height()});
    for (int row = t; row < b; ++row) {
        std::fill(m_target->Row(row) + l, m_target->Row(row) + std::max(l, r), ToScreenPixel(color));
    }
    m_target->MarkDirty(l, t, r, b);
}

BOOL CDC::PaintDesktop()
{
    if (m_target == nullptr) {
        return FALSE;
    }
    const int l = std::max<int>(m_clip.left, 0);
    const int t = std::max<int>(m_clip.top, 0);
    const int r = std::max(l, std::min<int>(m_clip.right, m_target->Width()));
    const int b = std::max(t, std::min<int>(m_clip.bottom, m_target->Height()));
    DrawDesktop(*m_target, l, t, r, b, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    m_target->MarkDirty(l, t, r, b);
    return TRUE;
}

void CDC::DrawImage(const Surface& picture, const RECT& dest)
{
    if (m_target == nullptr) {
        return;
    }
    QImage image = WrapSurface(*m_target);
    const QImage from = WrapSurface(picture);
    if (image.isNull() || from.isNull()) {
        return;
    }
    const QRect target(dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top);
    {
        QPainter painter(&image);
        painter.setClipRect(QRect(QPoint(m_clip.left, m_clip.top), QPoint(m_clip.right - 1, m_clip.bottom - 1)));
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.drawImage(target, from);
    }
    m_target->MarkDirty(dest.left, dest.top, dest.right, dest.bottom);
}
