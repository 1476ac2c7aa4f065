// The first paint: background, key caps with legends, the tree, and the pixels it keeps.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <future>

#include "paint/BackgroundPicture.h"
#include "paint/ScreenPainting.h"
#include "platform/desktop/readers/desktop.h"
#include "scene/Drawing.h"
#include "tests/support/DialogFixture.h"
#include "tests/support/Pictures.h"

namespace {

// A desktop whose every pixel tells where it is, so saved copies can be checked.
COLORREF DesktopAt(int x, int y)
{
    return RGB(x % 251, y % 241, (x / 251 + y / 241 * 5) % 200);
}

Surface PatternDesktop(int w, int h)
{
    Surface s(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            s.Row(y)[x] = ToScreenPixel(DesktopAt(x, y));
        }
    }
    return s;
}

// Pixels darker than any of the cap picture's in [x0, x1) x [y0, y1): legend ink.
int Ink(PracticeWindow& win, int x0, int y0, int x1, int y1)
{
    int n = 0;
    for (const COLORREF c : win.Pixels({x0, y0, x1, y1})) {
        n += GetRValue(c) + GetGValue(c) + GetBValue(c) < 150 ? 1 : 0;
    }
    return n;
}

struct PatternWindow {
    explicit PatternWindow(int w = 1024, int h = 768)
    {
        testing_hooks::SetDesktop(PatternDesktop(w, h));
        win = std::make_unique<PracticeWindow>(w, h);
    }
    ~PatternWindow() { testing_hooks::SetDesktop(Surface()); }
    std::unique_ptr<PracticeWindow> win;
};

}  // namespace

TEST(FirstPaint, TreePointsAreGreenAndTheTrunkShades)
{
    PatternWindow p;
    PracticeDialog& d = p.win->dlg();
    const int yFirst = d.GetScene().TreePoints()[d.GetScene().ShadeFirst()].y;
    int shadedTop = 0;
    for (int i = 0; i < kTreePointCount; ++i) {
        const POINT& pt = d.GetScene().TreePoints()[i];
        const COLORREF c = p.win->Pixel(pt.x, pt.y);
        if (i < d.GetScene().ShadeFirst() || i > d.GetScene().ShadeLast()) {
            // A pixel the chain visits again inside the stretch keeps the later colour.
            bool alsoShaded = false;
            for (int j = d.GetScene().ShadeFirst(); j <= d.GetScene().ShadeLast() && !alsoShaded; ++j) {
                alsoShaded = d.GetScene().TreePoints()[j] == pt;
            }
            if (!alsoShaded) {
                EXPECT_EQ(c, RGB(0, 255, 0)) << i;
            }
        } else {
            EXPECT_EQ(c, ShadedColour(kTrunkColour, 104, pt.y, yFirst)) << i;
            shadedTop += pt.y == 388 ? 1 : 0;
        }
    }
    EXPECT_GT(shadedTop, 0);
    // The gradient: full rise at the markers' row, none at the foot.
    EXPECT_EQ(ShadedColour(RGB(100, 50, 20), 104, 388, 388), RGB(100, 50 + 104 * 205 / 255, 20));
    EXPECT_EQ(ShadedColour(RGB(100, 50, 20), 104, 492, 388), RGB(100, 50, 20));
}

TEST(FirstPaint, KeyCapsLeaveTheirRightColumnAndBottomRow)
{
    PatternWindow p;
    PracticeDialog& d = p.win->dlg();
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < kKeysInRow[r]; ++c) {
            const RECT& k = d.GetScene().KeyRectangles()[r][c];
            // Right column and bottom row show the background; the middle shows the cap.
            EXPECT_EQ(p.win->Pixel(k.right, (k.top + k.bottom) / 2), DesktopAt(k.right, (k.top + k.bottom) / 2));
            EXPECT_EQ(p.win->Pixel(k.left + 3, k.bottom), DesktopAt(k.left + 3, k.bottom));
            EXPECT_NE(p.win->Pixel(k.left + 3, k.top + 3), DesktopAt(k.left + 3, k.top + 3));
        }
    }
    // The hand areas hold the screen as the first paint left it, above keys (0,2) and (0,11).
    ASSERT_EQ(d.GetScene().HandWidth(), 75);
    ASSERT_EQ(d.GetScene().HandHeight(), 83);
    EXPECT_TRUE(p.win->HandHidden(0));
    EXPECT_TRUE(p.win->HandHidden(1));
}

// A key hidden by its blink shows the background the last full paint drew under it, pixel for
// pixel: the first paint's, and after a paint over another desktop that one. The hands keep what
// the first paint found.
TEST(FirstPaint, AHiddenKeyShowsTheBackgroundOfTheLastPaintAndTheHandsKeepTheFirst)
{
    PatternWindow p;
    PracticeDialog& d = p.win->dlg();
    const auto hiddenKey = [&] {
        const KeyCell t = d.GetExercise().TargetKey();
        const RECT& k = d.GetScene().KeyRect(t.row, t.col);
        return std::pair{k, p.win->KeyPixels(k)};
    };
    p.win->Key(VK_F2);
    testing_hooks::FireTimer(d, TIMER_KEY_BLINK);
    const auto [k, shown] = hiddenKey();
    for (std::size_t i = 0, w = static_cast<std::size_t>(k.right - k.left + 1); i < shown.size(); ++i) {
        ASSERT_EQ(shown[i], DesktopAt(k.left + static_cast<int>(i % w), k.top + static_cast<int>(i / w))) << i;
    }
    const PixelBuffer hand = d.GetScene().HandBackground(0);
    testing_hooks::SetDesktop(Surface(1024, 768, ToScreenPixel(RGB(7, 7, 7))));
    testing_hooks::PaintNow(d);
    EXPECT_EQ(p.win->Pixel(5, 5), RGB(7, 7, 7));
    p.win->Fire(TIMER_KEY_BLINK, 2);
    const auto [k2, again] = hiddenKey();
    EXPECT_EQ(again, std::vector<COLORREF>(again.size(), RGB(7, 7, 7)));
    EXPECT_EQ(d.GetScene().HandBackground(0), hand);
}

TEST(FirstPaint, LegendsStandWhereTheyShould)
{
    // The 1 key's digit and its "!", the Q key, at 1024 x 768.
    EXPECT_EQ(MainLegendSpot({67, 502, 132, 538}, false).x, 88);
    EXPECT_EQ(MainLegendSpot({67, 502, 132, 538}, false).y, 520);
    EXPECT_EQ(ShiftLegendSpot({67, 502, 132, 538}).y, 505);
    EXPECT_EQ(MainLegendSpot({103, 542, 168, 578}, true).x, 124);
    EXPECT_EQ(MainLegendSpot({103, 542, 168, 578}, true).y, 551);
    EXPECT_EQ(std::string(BottomRowLabel(3)), "Space");
    EXPECT_EQ(std::string(BottomRowLabel(0)), "Ctrl");
    EXPECT_EQ(std::string(BottomRowLabel(5)), "Win");
    // On the screen: black ink of the Q lies right of and below its spot, none above-left of it.
    PatternWindow p;
    EXPECT_GT(Ink(*p.win, 124, 551, 144, 571), 20);
    EXPECT_EQ(Ink(*p.win, 110, 545, 124, 551), 0);
    // The Space label starts a third of the way into the bar.
    EXPECT_GT(Ink(*p.win, 437, 671, 447, 691), 5);
}

namespace {

// Four quadrants red, green, blue, white (top-left first).
void WriteQuadrantBmp(const char* path, int w, int h)
{
    static constexpr COLORREF kQuadrants[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 255)};
    Write(Bmp(w, h, [w, h](int x, int y) { return kQuadrants[(x >= w / 2 ? 1 : 0) + (y >= h / 2 ? 2 : 0)]; }), path);
}

}  // namespace

TEST(BackgroundPicture, IsShownUprightAndStretchedOverTheScreen)
{
    ScratchDirectory dir;
    WriteQuadrantBmp("Face.jpg", 40, 30);
    PracticeWindow win(1024, 768);
    EXPECT_EQ(win.dlg().GetPainting().PictureFound(), 1);
    auto near = [](COLORREF c, int r, int g, int b) {
        return std::abs(GetRValue(c) - r) < 40 && std::abs(GetGValue(c) - g) < 40 && std::abs(GetBValue(c) - b) < 40;
    };
    EXPECT_TRUE(near(win.Pixel(20, 20), 255, 0, 0));
    EXPECT_TRUE(near(win.Pixel(1000, 20), 0, 255, 0));
    EXPECT_TRUE(near(win.Pixel(20, 740), 0, 0, 255));
    EXPECT_TRUE(near(win.Pixel(1010, 740), 255, 255, 255));
    // Stretched to exactly the screen: the quadrants meet in its middle.
    EXPECT_TRUE(near(win.Pixel(490, 20), 255, 0, 0));
    EXPECT_TRUE(near(win.Pixel(534, 20), 0, 255, 0));
    // Decoded once, kept while the file stays the same; a change shows at the next paint.
    testing_hooks::PaintNow(win.dlg());
    EXPECT_EQ(win.dlg().GetPainting().PictureDecodes(), 1);
    WriteQuadrantBmp("Face.jpg", 30, 20);
    testing_hooks::PaintNow(win.dlg());
    EXPECT_EQ(win.dlg().GetPainting().PictureDecodes(), 2);
}

TEST(BackgroundPicture, ADrawingIsRenderedAtTheScreensSizeNotStretchedFromItsOwn)
{
    // An 8 x 6 drawing: red on the left quarter, white on the rest. Stretched from 8 pixels, the
    // edge would blur over a hundred screen pixels; rendered at 1024 x 768 it stays one pixel wide.
    ScratchDirectory dir;
    std::ofstream("Face.jpg")
        << "<svg xmlns='http://www.w3.org/2000/svg' width='8' height='6'>"
           "<rect width='8' height='6' fill='#ffffff'/><rect width='2' height='6' fill='#ff0000'/>"
           "</svg>";
    PracticeWindow win(1024, 768);
    EXPECT_EQ(win.Pixel(249, 20), RGB(255, 0, 0));
    EXPECT_EQ(win.Pixel(263, 20), RGB(255, 255, 255));
}

TEST(BackgroundPicture, ABadFileGivesTheDesktopAndSaysWhyOnce)
{
    ScratchDirectory dir;
    struct Case {
        const char* name;
        std::function<void()> make;
        bool decodes;     // a truncated picture may still show what was read of it
        const char* why;  // what stderr says
    };
    const Case cases[] = {
        {"empty", [] { std::ofstream("Face.jpg"); }, false, "is empty"},
        {"text", [] { std::ofstream("Face.jpg") << "not a picture at all"; }, false, "cannot be decoded"},
        {"truncated",
         [] {
             WriteQuadrantBmp("full.bmp", 64, 64);
             std::filesystem::resize_file("full.bmp", 200);
             std::filesystem::rename("full.bmp", "Face.jpg");
         },
         true, ""},
        {"corrupt jpeg",
         [] {
             std::ofstream f("Face.jpg", std::ios::binary);
             const unsigned char soi[] = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F',
                                          0,    1,    1,    0,    0,    1,    0,   1,   0,   0};
             f.write(reinterpret_cast<const char*>(soi), sizeof soi);
             for (int i = 0; i < 5000; ++i)
                 f.put(static_cast<char>(i * 37));
         },
         false, "cannot be decoded"},
        {"folder", [] { std::filesystem::create_directory("Face.jpg"); }, false, "is not a plain file"},
        // Opening a pipe nobody writes to would wait for ever.
        {"pipe", [] { ASSERT_EQ(::mkfifo("Face.jpg", 0644), 0); }, false, "is not a plain file"},
        {"unreadable",
         [] {
             WriteQuadrantBmp("Face.jpg", 40, 30);
             std::filesystem::permissions("Face.jpg", std::filesystem::perms::none);
         },
         ::geteuid() == 0, ::geteuid() == 0 ? "" : "cannot be opened"},
    };
    const COLORREF desktop = RGB(7, 70, 140);
    testing_hooks::SetDesktop(Surface(800, 600, ToScreenPixel(desktop)));
    for (const Case& c : cases) {
        std::filesystem::remove_all("Face.jpg");
        c.make();
        testing::internal::CaptureStderr();
        {
            PracticeWindow win(800, 600);
            testing_hooks::PaintNow(win.dlg());
            EXPECT_EQ(win.dlg().GetPainting().PictureFound(), 1) << c.name;
            // The desktop shows, never the window's own grey, with keys and tree over it.
            if (!c.decodes) {
                EXPECT_EQ(win.Pixel(5, 5), desktop) << c.name;
            }
            const RECT& k = win.dlg().GetScene().KeyRectangles()[2][4];
            EXPECT_NE(win.Pixel(k.left + 4, k.top + 4), desktop) << c.name;
            const POINT& t = win.dlg().GetScene().TreePoints()[100];
            EXPECT_EQ(win.Pixel(t.x, t.y), RGB(0, 255, 0)) << c.name;
            const std::string said = testing::internal::GetCapturedStderr();
            if (*c.why != '\0') {
                EXPECT_NE(said.find(std::string("Face.jpg ") + c.why), std::string::npos) << c.name << ": " << said;
                std::size_t lines = 0;  // the toolkit's decoders may say more of their own
                for (std::size_t at = said.find("pomarel: "); at != std::string::npos;
                     at = said.find("pomarel: ", at + 1)) {
                    ++lines;
                }
                EXPECT_EQ(lines, 1u) << c.name << ": " << said;
            }
            // Deleted while running: the next paint goes on without it.
            std::filesystem::remove_all("Face.jpg");
            testing_hooks::PaintNow(win.dlg());
            EXPECT_EQ(win.Pixel(5, 5), desktop) << c.name;
        }
    }
    testing_hooks::SetDesktop(Surface());
}

TEST(BackgroundPicture, TheOneReadAheadIsTakenOnlyForTheSameFileAndSize)
{
    ScratchDirectory dir;
    WriteQuadrantBmp("Face.jpg", 40, 30);
    testing_hooks::SetScreenSize(64, 48);
    const auto topLeft = [](const Surface* s) { return s != nullptr ? FromScreenPixel(s->Row(0)[0]) : CLR_INVALID; };
    const struct {
        const char* name;
        int width;      // asked for at this size (the reading was for 64 x 48)
        bool replaced;  // the file is replaced by one that does not decode after the reading began
        int decodes;
    } cases[] = {
        {"the same file and size: the decoding read ahead", 64, false, 1},
        {"another size: decoded again at that size", 32, false, 2},
        {"changed since: what it holds now counts", 64, true, 2},
    };
    for (const auto& c : cases) {
        testing_hooks::SetDesktop(Surface());  // nothing kept from the case before
        PrepareBackground("Face.jpg");
        if (c.replaced) {
            std::filesystem::remove("Face.jpg");
            std::ofstream("Face.jpg") << "not a picture any more";
        }
        const Surface* got = BackgroundPictureOf("Face.jpg", c.width, c.width * 3 / 4);
        if (c.replaced) {
            EXPECT_EQ(got, nullptr) << c.name;
            WriteQuadrantBmp("Face.jpg", 40, 30);
        } else {
            ASSERT_NE(got, nullptr) << c.name;
            EXPECT_EQ(got->Width(), c.width) << c.name;
            EXPECT_EQ(topLeft(got), RGB(255, 0, 0)) << c.name;
        }
        EXPECT_EQ(BackgroundPictureDecodes(), c.decodes) << c.name;
    }
    // Started and never asked for: the program still ends cleanly.
    PrepareBackground("Face.jpg");
    testing_hooks::SetDesktop(Surface());
    testing_hooks::SetScreenSize(0, 0);
}

TEST(FirstPaint, EveryLegendStaysInsideItsCapAtEverySize)
{
    // The cap picture's dark border is its outer twentieth on every side; a legend's black ink
    // (far darker than any pixel of the cap picture) stays inside it, nowhere else.
    const POINT sizes[] = {{800, 600}, {1024, 768}, {1366, 768}, {1920, 1080}, {3840, 2160}};
    for (const POINT& size : sizes) {
        Surface light(size.x, size.y);
        std::fill(light.Data(), light.Data() + static_cast<std::ptrdiff_t>(size.x) * size.y,
                  ToScreenPixel(RGB(230, 230, 240)));
        testing_hooks::SetDesktop(light);
        PracticeWindow win(size.x, size.y);
        testing_hooks::PaintNow(win.dlg());
        const Scene& scene = win.dlg().GetScene();
        const std::string at = std::to_string(size.x) + "x" + std::to_string(size.y);
        const int top = scene.KeyRect(0, 0).top - scene.KeyRect(0, 0).top / 10;
        const int bottom = scene.KeyRect(4, 0).bottom + 4;
        int inked = 0;
        for (int y = top; y < bottom && y < size.y; ++y) {
            for (int x = 0; x < size.x; ++x) {
                const COLORREF c = win.Pixel(x, y);
                if (GetRValue(c) * 3 + GetGValue(c) * 6 + GetBValue(c) > 300) {
                    continue;  // lighter than the darkest pixel of the cap picture: not ink
                }
                bool inside = false;
                for (int r = 0; r < kKeyRows && !inside; ++r) {
                    for (int j = 0; j < kKeysInRow[r] && !inside; ++j) {
                        const RECT& k = scene.KeyRect(r, j);
                        const int mx = std::max(1, (k.right - k.left) / 20);
                        const int my = std::max(1, (k.bottom - k.top) / 20);
                        inside = x >= k.left + mx && x < k.right - mx && y >= k.top + my && y < k.bottom - my;
                    }
                }
                ASSERT_TRUE(inside) << at << ": legend ink at " << x << "," << y << " outside every cap's face";
                ++inked;
            }
        }
        EXPECT_GT(inked, 400) << at << ": legends are drawn";
    }
    testing_hooks::SetDesktop(Surface());
}

TEST(DesktopBackground, APaintDoesNotWaitForASlowWallpaperWhichFollowsWhenReady)
{
    const COLORREF wall = RGB(200, 30, 90);
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    testing_hooks::SetDesktopReader([released] {
        released.wait();
        return Surface(800, 600, ToScreenPixel(wall));
    });
    {
        // The window paints while the reading is held: the built-in background, not the grey.
        // Practice starts on it: an apple is on show.
        PracticeWindow win(800, 600);
        testing_hooks::PaintNow(win.dlg());
        EXPECT_NE(win.Pixel(5, 5), wall);
        EXPECT_NE(win.Pixel(5, 5), RGB(212, 208, 200));
        win.Key(VK_F3);
        // Once read, the wallpaper shows by itself, keys and tree over it.
        release.set_value();
        for (int i = 0; i < 2000 && win.Pixel(5, 5) != wall; ++i) {
            testing_hooks::PumpEvents(5);
        }
        EXPECT_EQ(win.Pixel(5, 5), wall);
        const Scene& scene = win.dlg().GetScene();
        const POINT& t = scene.TreePoints()[100];
        EXPECT_EQ(win.Pixel(t.x, t.y), RGB(0, 255, 0));
        // What is put back under the hands and the apple's box is the wallpaper now, not the
        // built-in background of the first paint.
        const auto mostlyWall = [wall](const PixelBuffer& kept) {
            return std::count(kept.begin(), kept.end(), wall) > static_cast<std::ptrdiff_t>(kept.size() / 2);
        };
        for (int i = 0; i < 2000 && !(mostlyWall(scene.HandBackground(0)) && mostlyWall(scene.AppleBackground()));
             ++i) {
            testing_hooks::PumpEvents(5);
        }
        EXPECT_TRUE(mostlyWall(scene.HandBackground(0)));
        EXPECT_TRUE(mostlyWall(scene.AppleBackground()));
    }
    testing_hooks::SetDesktopReader({});
}
