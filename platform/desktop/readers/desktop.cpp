// The desktop behind the program: reading the wallpaper's settings, files and the X root picture,
// keeping the one decoded copy, and drawing it (or the built-in background) for PaintDesktop.
#include "platform/desktop/readers/desktop.h"

#include <QGuiApplication>
#include <QScreen>
#include <QPointer>
#include <QTimer>

#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <vector>

#include "platform/desktop/readers/picture.h"
#include "platform/desktop/readers/picture_cache.h"

namespace {

std::string Env(const char* name)
{
    const char* v = std::getenv(name);
    return v != nullptr ? v : "";
}

// A configuration file's text; none when it is missing, not a plain file, or implausibly large.
std::optional<std::string> ReadConfigFile(const std::string& path)
{
    constexpr std::int64_t kLargest = 4 << 20;
    const FileStamp stamp = StatFile(path);
    if (!stamp.exists || !stamp.regular || stamp.size > kLargest) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string text(static_cast<std::size_t>(stamp.size), '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

// A wallpaper package folder: its picture of the size that suits the screen.
std::string PackagePicture(const std::string& folder, int width, int height)
{
    const std::filesystem::path images = std::filesystem::path(folder) / "contents" / "images";
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(images, ec), end; !ec && it != end && names.size() < 500;
         it.increment(ec)) {
        names.push_back(it->path().filename().string());
    }
    const std::string name = PickPackageImage(names, width, height);
    return name.empty() ? std::string() : (images / name).string();
}

// The picture of a desktop's setting, decoded to the part that shows; none when it cannot be had.
std::optional<LoadedWallpaper> LoadChoice(const WallpaperChoice& choice, const DesktopSetting& setting)
{
    LoadedWallpaper loaded;
    loaded.color = choice.color;
    if (choice.mode == FillMode::None) {
        loaded.found = true;
        return loaded;
    }
    std::string path = choice.path;
    if (std::error_code ec; std::filesystem::is_directory(path, ec)) {
        path = PackagePicture(path, setting.screen.width, setting.screen.height);
    }
    if (path.ends_with(".xml")) {
        const auto text = ReadConfigFile(path);
        path = text ? GnomeSlideshowPicture(*text, setting.screen.width, setting.screen.height) : std::string();
    }
    int w = 0;
    int h = 0;
    // Only plain files: opening a pipe or a device would wait for ever.
    const FileStamp stamp = StatFile(path);
    if (path.empty() || !stamp.exists || !stamp.regular || !CanReadFile(path) || !PictureSize(path, w, h)) {
        return std::nullopt;
    }
    const WallpaperRect area = choice.mode == FillMode::Spanned ? setting.area : setting.screen;
    loaded.place = PlaceWallpaper(choice.mode, w, h, setting.screen, area);
    const WallpaperRect& c = loaded.place.clip;
    if (c.width > 0 && c.height > 0) {
        const RECT part{c.x, c.y, c.x + c.width, c.y + c.height};
        loaded.picture = DecodePicturePart(path, loaded.place.width, loaded.place.height, part);
        if (loaded.picture.Width() != c.width || loaded.picture.Height() != c.height) {
            return std::nullopt;
        }
    }
    loaded.found = true;
    loaded.path = path;
    return loaded;
}

struct FreeReply {
    void operator()(void* p) const { std::free(p); }
};
template <class T> using Reply = std::unique_ptr<T, FreeReply>;
struct Disconnect {
    void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};

int ShiftOf(std::uint32_t mask)
{
    int shift = 0;
    while (mask != 0 && (mask & 1u) == 0) {
        mask >>= 1;
        ++shift;
    }
    return mask == 0xFFu ? shift : -1;  // 8 bits per channel only
}

// The picture a root-setting tool (feh, nitrogen, ...) left on the X root window, read from the X
// server in strips, only the part on the primary screen.
std::optional<LoadedWallpaper> LoadRootPicture(const DesktopSetting& setting)
{
    if (!setting.x11) {
        return std::nullopt;
    }
    int screenNumber = 0;
    const std::unique_ptr<xcb_connection_t, Disconnect> conn(xcb_connect(nullptr, &screenNumber));
    xcb_connection_t* c = conn.get();
    if (c == nullptr || xcb_connection_has_error(c) != 0) {
        return std::nullopt;
    }
    const xcb_setup_t* setup = xcb_get_setup(c);
    xcb_screen_iterator_t si = xcb_setup_roots_iterator(setup);
    for (int i = 0; i < screenNumber && si.rem > 0; ++i) {
        xcb_screen_next(&si);
    }
    if (si.rem == 0) {
        return std::nullopt;
    }
    const xcb_screen_t* screen = si.data;
    const xcb_visualtype_t* visual = nullptr;
    for (auto d = xcb_screen_allowed_depths_iterator(screen); d.rem > 0 && visual == nullptr; xcb_depth_next(&d)) {
        for (auto v = xcb_depth_visuals_iterator(d.data); v.rem > 0; xcb_visualtype_next(&v)) {
            if (v.data->visual_id == screen->root_visual) {
                visual = v.data;
                break;
            }
        }
    }
    if (visual == nullptr) {
        return std::nullopt;
    }
    const int rs = ShiftOf(visual->red_mask);
    const int gs = ShiftOf(visual->green_mask);
    const int bs = ShiftOf(visual->blue_mask);
    if (rs < 0 || gs < 0 || bs < 0) {
        return std::nullopt;
    }
    for (const char* name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"}) {
        const Reply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 1, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
        if (!atom || atom->atom == XCB_ATOM_NONE) {
            continue;
        }
        const Reply<xcb_get_property_reply_t> prop(xcb_get_property_reply(
            c, xcb_get_property(c, 0, screen->root, atom->atom, XCB_ATOM_PIXMAP, 0, 1), nullptr));
        if (!prop || prop->format != 32 || xcb_get_property_value_length(prop.get()) != 4) {
            continue;
        }
        const xcb_pixmap_t pixmap = *static_cast<const xcb_pixmap_t*>(xcb_get_property_value(prop.get()));
        // A pixmap freed since (the tool's client gone) answers with an error: the next name.
        const Reply<xcb_get_geometry_reply_t> geo(xcb_get_geometry_reply(c, xcb_get_geometry(c, pixmap), nullptr));
        if (!geo || geo->depth != screen->root_depth || geo->width == 0 || geo->height == 0) {
            continue;
        }
        int bitsPerPixel = 0;
        for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem > 0; xcb_format_next(&f)) {
            if (f.data->depth == geo->depth) {
                bitsPerPixel = f.data->bits_per_pixel;
            }
        }
        if (bitsPerPixel != 32) {
            continue;
        }
        // The X server repeats the root picture from the root's corner when it is smaller.
        LoadedWallpaper loaded;
        loaded.place = PlaceWallpaper(FillMode::Tiled, geo->width, geo->height, setting.screen,
                                      WallpaperRect{0, 0, geo->width, geo->height});
        const WallpaperRect& clip = loaded.place.clip;
        if (clip.width <= 0 || clip.height <= 0) {
            continue;
        }
        loaded.picture = Surface(clip.width, clip.height);
        const bool msb = setup->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
        const int rowsPerStrip = std::max(1, (1 << 20) / (clip.width * 4));
        bool whole = true;
        for (int y = 0; y < clip.height && whole; y += rowsPerStrip) {
            const int rows = std::min(rowsPerStrip, clip.height - y);
            const Reply<xcb_get_image_reply_t> image(xcb_get_image_reply(
                c,
                xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, static_cast<std::int16_t>(clip.x),
                              static_cast<std::int16_t>(clip.y + y), static_cast<std::uint16_t>(clip.width),
                              static_cast<std::uint16_t>(rows), ~0u),
                nullptr));
            const auto need = static_cast<std::size_t>(clip.width) * static_cast<std::size_t>(rows) * 4;
            if (!image || static_cast<std::size_t>(xcb_get_image_data_length(image.get())) < need) {
                whole = false;
                break;
            }
            const std::uint8_t* data = xcb_get_image_data(image.get());
            for (int j = 0; j < rows; ++j) {
                std::uint32_t* out = loaded.picture.Row(y + j);
                const std::uint8_t* in = data + static_cast<std::size_t>(j) * static_cast<std::size_t>(clip.width) * 4;
                for (int i = 0; i < clip.width; ++i, in += 4) {
                    const std::uint32_t p = msb ? (std::uint32_t{in[0]} << 24 | std::uint32_t{in[1]} << 16 |
                                                   std::uint32_t{in[2]} << 8 | in[3])
                                                : (std::uint32_t{in[3]} << 24 | std::uint32_t{in[2]} << 16 |
                                                   std::uint32_t{in[1]} << 8 | in[0]);
                    out[i] = 0xff000000u | ((p >> rs) & 0xFFu) << 16 | ((p >> gs) & 0xFFu) << 8 | ((p >> bs) & 0xFFu);
                }
            }
        }
        if (!whole) {
            continue;
        }
        loaded.found = true;
        return loaded;
    }
    return std::nullopt;
}

std::optional<LoadedWallpaper> LoadFrom(const SourceStep& step, const DesktopSetting& setting)
{
    std::optional<WallpaperChoice> choice;
    switch (step.source) {
    case WallpaperSource::RootPicture: return LoadRootPicture(setting);
    case WallpaperSource::Gnome:
    case WallpaperSource::Cinnamon:
    case WallpaperSource::Mate:
        if (const auto bg = ReadGSettingsBackground(step.source, !step.session)) {
            choice = GnomeWallpaper(*bg);
        }
        break;
    case WallpaperSource::Kde:
        if (const auto text = ReadConfigFile(setting.configHome + "/plasma-org.kde.plasma.desktop-appletsrc")) {
            choice = KdeWallpaper(*text);
        }
        break;
    case WallpaperSource::Xfce: {
        // The user's channel; the system's defaults only for an Xfce session.
        const std::string file = "/xfce4/xfconf/xfce-perchannel-xml/xfce4-desktop.xml";
        std::vector<std::string> places{setting.configHome};
        if (step.session) {
            places.insert(places.end(), setting.configDirs.begin(), setting.configDirs.end());
        }
        for (const std::string& dir : places) {
            if (const auto text = ReadConfigFile(dir + file)) {
                choice = XfceWallpaper(*text, setting.monitor);
                break;
            }
        }
        break;
    }
    }
    return choice ? LoadChoice(*choice, setting) : std::nullopt;
}

const char* NameOf(WallpaperSource s)
{
    switch (s) {
    case WallpaperSource::Gnome: return "gnome";
    case WallpaperSource::Cinnamon: return "cinnamon";
    case WallpaperSource::Mate: return "mate";
    case WallpaperSource::Kde: return "kde";
    case WallpaperSource::Xfce: return "xfce";
    case WallpaperSource::RootPicture: return "x11-root";
    }
    return "?";
}

}  // namespace

DesktopSetting CurrentDesktopSetting(int w, int h)
{
    DesktopSetting s;
    s.currentDesktop = Env("XDG_CURRENT_DESKTOP");
    s.configHome = Env("XDG_CONFIG_HOME");
    if (s.configHome.empty()) {
        s.configHome = Env("HOME") + "/.config";
    }
    std::string dirs = Env("XDG_CONFIG_DIRS");
    if (dirs.empty()) {
        dirs = "/etc/xdg";
    }
    for (std::size_t at = 0; at <= dirs.size();) {
        const std::size_t cut = std::min(dirs.find(':', at), dirs.size());
        if (cut > at) {
            s.configDirs.push_back(dirs.substr(at, cut - at));
        }
        at = cut + 1;
    }
    s.x11 = QGuiApplication::platformName() == QLatin1String("xcb");
    s.screen = {0, 0, w, h};
    s.area = s.screen;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const double ratio = screen->devicePixelRatio();
        const QRect g = screen->geometry();
        const QRect all = screen->virtualGeometry();
        s.monitor = screen->name().toStdString();
        s.screen = {static_cast<int>(std::lround(g.x() * ratio)), static_cast<int>(std::lround(g.y() * ratio)), w, h};
        s.area = {static_cast<int>(std::lround(all.x() * ratio)), static_cast<int>(std::lround(all.y() * ratio)),
                  static_cast<int>(std::lround(all.width() * ratio)),
                  static_cast<int>(std::lround(all.height() * ratio))};
    }
    return s;
}

LoadedWallpaper LoadWallpaper(const DesktopSetting& setting)
{
    for (const SourceStep& step : WallpaperSourceOrder(setting.currentDesktop)) {
        if (auto loaded = LoadFrom(step, setting)) {
            loaded->source = step.source;
            return std::move(*loaded);
        }
    }
    return {};
}

void DrawWallpaper(const LoadedWallpaper& wallpaper, Surface& target, int left, int top, int right, int bottom)
{
    const WallpaperPlacement& p = wallpaper.place;
    const int cw = wallpaper.picture.Width() == p.clip.width ? p.clip.width : 0;
    const int ch = wallpaper.picture.Height() == p.clip.height ? p.clip.height : 0;
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, target.Width());
    bottom = std::min(bottom, target.Height());
    for (int y = top; y < bottom; ++y) {
        std::uint32_t* row = target.Row(y);
        int cy = 0;
        int cx = 0;
        if (cw == 0 || ch == 0 || !WallpaperPixelAt(p, p.left, y, cx, cy)) {
            std::fill(row + left, row + std::max(left, right), wallpaper.color);
            continue;
        }
        const std::uint32_t* src = wallpaper.picture.Row(cy);
        for (int x = left; x < right;) {
            if (!WallpaperPixelAt(p, x, p.top, cx, cy)) {
                // Left or right of a copy that does not repeat.
                const int stop = x < p.left ? std::min(right, p.left) : right;
                std::fill(row + x, row + stop, wallpaper.color);
                x = stop;
                continue;
            }
            const int run = std::min(cw - cx, right - x);
            std::copy(src + cx, src + cx + run, row + x);
            x += run;
        }
    }
}

namespace {

// What is read ahead for the background, once, on one thread: the picture file when one was
// named and it decodes, else the desktop's wallpaper.
struct ReadAhead {
    bool desktopRead = false;  // false: the picture showed, and the desktop was not looked for
    LoadedWallpaper desktop;
};

// The background: the one reading under way and what it gave, the picture file's pixels and the
// desktop's wallpaper.
struct BackgroundStore {
    // The desktop's wallpaper, placed for a screen of width x height.
    bool loaded = false;
    bool setByTest = false;
    int width = 0;
    int height = 0;
    LoadedWallpaper wallpaper;

    // The picture file's pixels at pictureWidth x pictureHeight, as the file was (pictureStamp).
    bool pictureKept = false;
    std::string picturePath;
    FileStamp pictureStamp;
    int pictureWidth = 0;
    int pictureHeight = 0;
    // Shared with the reading thread, which keeps it on disk after handing it over.
    std::shared_ptr<const Surface> picture;
    int pictureDecodes = 0;

    // The reading PrepareBackground (or a paint) started, for a screen of this size; the
    // picture it decodes first is told apart, so a paint of the picture never waits for the
    // desktop.
    std::future<ReadAhead> reading;
    int readingWidth = 0;
    int readingHeight = 0;
    std::string readingPicture;  // empty: the reading is of the desktop alone
    FileStamp readingStamp;
    std::future<std::shared_ptr<const Surface>> pictureAhead;
    bool waited = false;  // a paint has waited for this reading already: later ones do not
    // Looks for the end of a reading a paint did not wait for; the application owns it.
    QPointer<QTimer> watch;
    // Readings for a size the screen no longer has, left to end on their own (a future of
    // std::async waits for its work when dropped).
    std::vector<std::future<ReadAhead>> dropped;
    std::function<void()> whenReady;
    std::function<Surface()> testReader;  // set by tests: reads instead of the user's settings
};

// How long a paint waits for the wallpaper being read.
constexpr std::chrono::milliseconds kPaintWaitsAtMost{300};
// How often, after that, the reading is looked at until it is done.
constexpr int kWatchEveryMs = 50;

BackgroundStore& Store()
{
    static BackgroundStore store;
    return store;
}

// A screen-sized picture as the wallpaper (none when it is empty).
LoadedWallpaper WholeScreen(Surface picture)
{
    LoadedWallpaper w;
    const int width = picture.Width();
    const int height = picture.Height();
    w.found = width > 0 && height > 0;
    w.place = PlaceWallpaper(FillMode::Centered, width, height, {0, 0, width, height}, {0, 0, width, height});
    w.picture = std::move(picture);
    return w;
}

// Starts reading the background for a screen of this size: 'picture' first when it names a
// file, the desktop when there is none or it does not decode. Nothing when a reading of the same
// is under way. The session's settings and the screens are read here, on the toolkit's thread;
// finding, reading and decoding the pictures (the longest part) on another.
void StartReading(BackgroundStore& d, int width, int height, const std::string& picture)
{
    if (d.reading.valid() && d.readingWidth == width && d.readingHeight == height && d.readingPicture == picture &&
        (picture.empty() || d.readingStamp == StatFile(picture))) {
        return;
    }
    std::erase_if(d.dropped, [](const std::future<ReadAhead>& f) {
        return f.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready;
    });
    if (d.reading.valid()) {
        d.dropped.push_back(std::move(d.reading));
    }
    d.readingWidth = width;
    d.readingHeight = height;
    d.readingPicture = picture;
    d.readingStamp = picture.empty() ? FileStamp{} : StatFile(picture);
    d.waited = false;
    auto decoded = std::make_shared<std::promise<std::shared_ptr<const Surface>>>();
    d.pictureAhead = decoded->get_future();
    std::function<Surface()> testReader = d.testReader;
    const bool offscreen = QGuiApplication::platformName() == QLatin1String("offscreen");
    std::optional<DesktopSetting> setting;
    if (!testReader && !offscreen) {
        setting = CurrentDesktopSetting(width, height);
    }
    d.reading = std::async(std::launch::async, [=] {
        ReadAhead read;
        if (!picture.empty()) {
            // Read from the cache when this picture was shown at this size before.
            const std::optional<PictureCacheKey> key = PictureCacheKeyOf(picture, width, height);
            Surface kept = key ? ReadCachedPicture(*key) : Surface();
            const bool cached = kept.Width() > 0;
            const auto pixels =
                std::make_shared<const Surface>(cached ? std::move(kept) : DecodePicture(picture, width, height));
            const bool shown = pixels->Width() > 0;
            decoded->set_value(pixels);
            if (shown) {
                // Kept for the next start once the paint has it; not when the file changed while
                // it was decoded (the pixels may be of either).
                if (key && !cached && PictureCacheKeyOf(picture, width, height) == key) {
                    WritePictureCache(*key, *pixels);
                }
                return read;
            }
        } else {
            decoded->set_value(nullptr);
        }
        read.desktopRead = true;
        if (testReader) {
            read.desktop = WholeScreen(testReader());
        } else if (setting) {
            read.desktop = LoadWallpaper(*setting);
        }
        return read;
    });
}

// The picture the reading decoded, kept when it is of the file as it is now.
void TakePictureAhead(BackgroundStore& d)
{
    if (!d.pictureAhead.valid()) {
        return;
    }
    std::shared_ptr<const Surface> pixels = d.pictureAhead.get();
    if (d.readingPicture.empty()) {
        return;
    }
    ++d.pictureDecodes;
    d.pictureKept = true;
    d.picturePath = d.readingPicture;
    d.pictureStamp = d.readingStamp;
    d.pictureWidth = d.readingWidth;
    d.pictureHeight = d.readingHeight;
    d.picture = std::move(pixels);
}

// The desktop the finished reading found, when it looked for one.
void TakeDesktop(BackgroundStore& d)
{
    TakePictureAhead(d);
    ReadAhead read = d.reading.get();
    if (!read.desktopRead) {
        return;
    }
    d.loaded = true;
    d.width = d.readingWidth;
    d.height = d.readingHeight;
    d.wallpaper = std::move(read.desktop);
    if (qEnvironmentVariableIntValue("POMAREL_TRACE") != 0) {
        const LoadedWallpaper& w = d.wallpaper;
        std::fprintf(stderr, "pomarel: desktop: %s %s %dx%d\n", w.found ? NameOf(w.source) : "built-in", w.path.c_str(),
                     w.picture.Width(), w.picture.Height());
    }
}

// Looks at the reading every few milliseconds until it is done, then asks for the paint that
// shows it.
void WatchReading()
{
    BackgroundStore& d = Store();
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) {
        return;
    }
    if (d.watch == nullptr) {
        // Owned by the application, so it goes before the toolkit does.
        auto* timer = new QTimer(app);
        timer->setInterval(kWatchEveryMs);
        QObject::connect(timer, &QTimer::timeout, timer, [timer] {
            BackgroundStore& s = Store();
            if (s.reading.valid() && s.reading.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
                return;
            }
            timer->stop();
            // Also when a paint in between took the wallpaper: it may have shown only a part.
            if (s.whenReady) {
                s.whenReady();
            }
        });
        d.watch = timer;
    }
    d.watch->start();
}

}  // namespace

namespace platform_detail {

// The background shown where no wallpaper can be had: a calm evening-blue gradient.
// It changes by at most a level every few pixels, so it is worked out at half the screen's size
// in each direction and each of its pixels drawn as two by two. It is computed where it is drawn
// and not kept: a copy would hold 2 MiB at 1920 x 1080 for a full paint's few milliseconds.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC push_options
#pragma GCC optimize("vect-cost-model=dynamic")  // at -O2 GCC leaves this loop to one pixel at a time
#endif
void DrawDefaultDesktop(Surface& target, int left, int top, int right, int bottom, int width, int height)
{
    const int hw = (width + 1) / 2;
    const int hh = (height + 1) / 2;
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, target.Width());
    bottom = std::min(bottom, target.Height());
    const int iFirst = left / 2;
    const int iEnd = std::min((right + 1) / 2, hw);
    if (iFirst >= iEnd) {
        return;
    }
    // Per column, the horizontal term of the distance from the glow's centre (the same value
    // for every row).
    std::vector<double> across(static_cast<std::size_t>(iEnd - iFirst));
    for (int i = iFirst; i < iEnd; ++i) {
        const double u = width > 1 ? static_cast<double>(2 * i) / (width - 1) : 0.0;
        across[static_cast<std::size_t>(i - iFirst)] = (u - 0.5) * (u - 0.5);
    }
    std::vector<std::uint32_t> half(static_cast<std::size_t>(iEnd - iFirst));
    int halfRow = -1;
    int copyFrom = -1;  // the row above, when it was drawn from the same half row
    const int xEnd = std::min(right, 2 * hw);
    for (int y = top; y < bottom && y / 2 < hh; ++y) {
        const int j = y / 2;
        std::uint32_t* row = target.Row(y);
        if (j == halfRow && copyFrom >= 0 && left < xEnd) {
            // The second of the two rows is the first again.
            std::memcpy(row + left, target.Row(copyFrom) + left,
                        static_cast<std::size_t>(xEnd - left) * sizeof(std::uint32_t));
            copyFrom = -1;
            continue;
        }
        if (j != halfRow) {
            const double t = height > 1 ? static_cast<double>(2 * j) / (height - 1) : 0.0;
            const double down = (t - 0.25) * (t - 0.25);
            // Written so that the compiler works on two pixels at once (no branch, no errno).
            const double* acrossAt = across.data();
            std::uint32_t* halfAt = half.data();
            const int count = iEnd - iFirst;
            for (int i = 0; i < count; ++i) {
                const double rise = 1.0 - std::sqrt(acrossAt[i] + down) * 1.6;
                const double glow = rise > 0.0 ? rise : 0.0;
                const int r = static_cast<int>(38 + 30 * glow - 14 * t);
                const int g = static_cast<int>(74 + 46 * glow - 30 * t);
                const int b = static_cast<int>(128 + 50 * glow - 50 * t);
                halfAt[i] = 0xff000000u | (static_cast<std::uint32_t>(r & 0xFF) << 16) |
                            (static_cast<std::uint32_t>(g & 0xFF) << 8) | static_cast<std::uint32_t>(b & 0xFF);
            }
            halfRow = j;
        }
        int x = left;
        if (x < xEnd && (x & 1) != 0) {
            row[x] = half[static_cast<std::size_t>(x / 2 - iFirst)];
            ++x;
        }
        for (; x + 1 < xEnd; x += 2) {
            row[x] = row[x + 1] = half[static_cast<std::size_t>(x / 2 - iFirst)];
        }
        if (x < xEnd) {
            row[x] = half[static_cast<std::size_t>(x / 2 - iFirst)];
        }
        copyFrom = y;
    }
}

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC pop_options
#endif

void DrawDesktop(Surface& target, int left, int top, int right, int bottom, int width, int height)
{
    BackgroundStore& d = Store();
    // Read when the desktop is first painted: a picture background never pays for it. Tests on
    // the offscreen platform have no desktop of their own.
    const bool reads = QGuiApplication::platformName() != QLatin1String("offscreen") || d.testReader;
    for (int round = 0; round < 2 && reads && !d.setByTest && (!d.loaded || d.width != width || d.height != height);
         ++round) {
        if (!d.reading.valid() || d.readingWidth != width || d.readingHeight != height) {
            StartReading(d, width, height, {});
        }
        const auto wait = d.waited ? std::chrono::milliseconds(0) : kPaintWaitsAtMost;
        d.waited = true;
        if (d.reading.wait_for(wait) != std::future_status::ready) {
            // Not worth a longer wait: the built-in background now, the wallpaper when it is ready.
            WatchReading();
            DrawDefaultDesktop(target, left, top, right, bottom, width, height);
            return;
        }
        TakeDesktop(d);
        if (!d.loaded) {
            // The reading found the picture and did not look further: the desktop is read now.
            StartReading(d, width, height, {});
        }
    }
    if (d.wallpaper.found && d.width == width && d.height == height) {
        DrawWallpaper(d.wallpaper, target, left, top, right, bottom);
    } else {
        DrawDefaultDesktop(target, left, top, right, bottom, width, height);
    }
}

void PrepareBackground(int width, int height, std::string_view picture)
{
    BackgroundStore& d = Store();
    if (picture.empty() && (d.setByTest || (d.loaded && d.width == width && d.height == height) ||
                            (QGuiApplication::platformName() == QLatin1String("offscreen") && !d.testReader))) {
        return;
    }
    StartReading(d, width, height, std::string(picture));
}

void SetDesktopReadyHandler(std::function<void()> handler)
{
    Store().whenReady = std::move(handler);
}

}  // namespace platform_detail

const Surface* BackgroundPictureOf(std::string_view path, int width, int height)
{
    BackgroundStore& d = Store();
    if (d.reading.valid() && d.readingPicture == path) {
        TakePictureAhead(d);  // waits for the decoding, not for a desktop read after it
    }
    const FileStamp stamp = StatFile(path);
    if (!stamp.exists || !stamp.regular) {
        d.pictureKept = false;
        d.picture.reset();
        return nullptr;
    }
    if (!d.pictureKept || d.picturePath != path || !(d.pictureStamp == stamp) || d.pictureWidth != width ||
        d.pictureHeight != height) {
        // Not read ahead, or changed since: decoded now, so a new file shows at this paint.
        d.pictureKept = true;
        d.picturePath = std::string(path);
        d.pictureStamp = stamp;
        d.pictureWidth = width;
        d.pictureHeight = height;
        // The cache is read here too, but not written: the paint waits for this.
        const std::optional<PictureCacheKey> key = PictureCacheKeyOf(path, width, height);
        Surface kept = key ? ReadCachedPicture(*key) : Surface();
        d.picture =
            std::make_shared<const Surface>(kept.Width() > 0 ? std::move(kept) : DecodePicture(path, width, height));
        ++d.pictureDecodes;
    }
    return d.picture != nullptr && d.picture->Width() > 0 ? d.picture.get() : nullptr;
}

int BackgroundPictureDecodes()
{
    return Store().pictureDecodes;
}

namespace platform_seams {

void SetDesktop(Surface desktop)
{
    BackgroundStore& d = Store();
    std::function<void()> whenReady = std::move(d.whenReady);
    d = BackgroundStore{};
    d.whenReady = std::move(whenReady);
    d.wallpaper = WholeScreen(std::move(desktop));
    d.loaded = true;
    d.setByTest = true;
    d.width = d.wallpaper.picture.Width();
    d.height = d.wallpaper.picture.Height();
}

void SetDesktopReader(std::function<Surface()> reader)
{
    BackgroundStore& d = Store();
    std::function<void()> whenReady = std::move(d.whenReady);
    d = BackgroundStore{};
    d.whenReady = std::move(whenReady);
    d.testReader = std::move(reader);
}

}  // namespace platform_seams
