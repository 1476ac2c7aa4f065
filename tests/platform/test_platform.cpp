// The window-system layer: pixels, flood fill, sound rules, timers and the system language.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <string_view>
#include <tuple>
#include <vector>

#include "platform/face/dialog.h"
#include "platform/testing/testing.h"
#include "scene/Drawing.h"

TEST(Pixels, OutsideTheScreenReadsInvalidAndWritesNothing)
{
    Surface s(10, 8, 0xff000000u);
    CDC dc(&s);
    EXPECT_EQ(dc.SetPixel(3, 4, RGB(10, 20, 30)), RGB(10, 20, 30));
    EXPECT_EQ(dc.GetPixel(3, 4), RGB(10, 20, 30));
    for (const POINT p : {POINT{-1, 0}, POINT{0, -1}, POINT{10, 0}, POINT{0, 8}, POINT{-5000, 99999}}) {
        EXPECT_EQ(dc.GetPixel(p.x, p.y), CLR_INVALID);
        EXPECT_EQ(dc.SetPixel(p.x, p.y, RGB(1, 2, 3)), CLR_INVALID);
    }
}

TEST(Pixels, FloodFillIsBoundedByTheBorderColourAndSpreadsToFourNeighboursOnly)
{
    // A square ring of yellow with a diagonal gap at its corner: 4-connected fill stays inside.
    Surface s(20, 20, ToScreenPixel(RGB(0, 0, 255)));
    CDC dc(&s);
    const COLORREF yellow = RGB(255, 255, 0);
    for (int i = 2; i <= 10; ++i) {
        dc.SetPixel(i, 2, yellow);
        dc.SetPixel(i, 10, yellow);
        dc.SetPixel(2, i, yellow);
        dc.SetPixel(10, i, yellow);
    }
    dc.SetPixel(10, 10, RGB(0, 0, 255));  // corner open only diagonally
    CBrush brush;
    brush.CreateSolidBrush(RGB(255, 0, 0));
    dc.SelectObject(&brush);
    EXPECT_TRUE(dc.FloodFill(5, 5, yellow));
    int red = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            if (dc.GetPixel(x, y) == RGB(255, 0, 0)) {
                ++red;
                EXPECT_TRUE(x > 2 && x < 10 && y > 2 && y < 10) << x << "," << y;
            }
        }
    }
    EXPECT_EQ(red, 7 * 7);
    // Seeded on the border, or off the screen: nothing happens.
    EXPECT_FALSE(dc.FloodFill(2, 2, yellow));
    EXPECT_FALSE(dc.FloodFill(-1, 5, yellow));
}

TEST(Pixels, FloodFillStopsAtTheScreenEdge)
{
    Surface s(30, 30, ToScreenPixel(RGB(0, 0, 0)));
    CDC dc(&s);
    CBrush brush;
    brush.CreateSolidBrush(RGB(255, 255, 0));
    dc.SelectObject(&brush);
    EXPECT_TRUE(dc.FloodFill(0, 0, RGB(255, 255, 0)));
    EXPECT_EQ(dc.GetPixel(29, 29), RGB(255, 255, 0));
}

TEST(Pixels, PaintClipKeepsDrawingInsideTheInvalidArea)
{
    Surface s(40, 40, ToScreenPixel(RGB(0, 0, 0)));
    CDC dc(&s);
    dc.SetClip({10, 10, 20, 20});
    dc.FillSolidRect(0, 0, 40, 40, RGB(9, 9, 9));
    EXPECT_EQ(dc.GetPixel(15, 15), RGB(9, 9, 9));
    EXPECT_EQ(dc.GetPixel(5, 5), RGB(0, 0, 0));
    EXPECT_EQ(dc.SetPixel(25, 25, RGB(1, 1, 1)), CLR_INVALID);
}

TEST(Pixels, RowCallsReadWriteAndMarkAsPixelByPixelCallsWould)
{
    // Rows that reach past each edge of the surface and of the clip, with a run left open by
    // an earlier pixel near and far from them.
    struct Case {
        int x, y, count;
        POINT before;
    } const cases[] = {{3, 4, 5, {0, 0}},   {-3, 2, 6, {2, 2}},  {16, 7, 9, {0, 0}}, {-2, 0, 30, {19, 11}},
                       {4, -1, 3, {4, 0}},  {4, 12, 3, {4, 11}}, {25, 3, 4, {1, 1}}, {-9, 3, 4, {1, 1}},
                       {7, 9, 1, {90, 90}}, {2, 5, 0, {2, 5}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " x" << c.count);
        Surface rowWise(20, 12, 0xff102030u);
        Surface pixelWise(20, 12, 0xff102030u);
        for (Surface* s : {&rowWise, &pixelWise}) {
            for (int i = 0; i < 20 * 12; ++i) {
                s->Data()[i] = 0xff000000u | static_cast<std::uint32_t>(i * 977);
            }
            s->EnableDirtyTracking(true);
        }
        CDC byRow(&rowWise);
        CDC byPixel(&pixelWise);
        for (CDC* dc : {&byRow, &byPixel}) {
            dc->SetClip({1, 1, 18, 11});
            dc->SetPixel(c.before.x, c.before.y, RGB(1, 2, 3));
        }
        std::vector<COLORREF> read(static_cast<std::size_t>(c.count), 7);
        byRow.GetPixelRow(c.x, c.y, read.data(), c.count);
        std::vector<COLORREF> written(static_cast<std::size_t>(c.count));
        for (int i = 0; i < c.count; ++i) {
            EXPECT_EQ(read[static_cast<std::size_t>(i)], byPixel.GetPixel(c.x + i, c.y)) << i;
            written[static_cast<std::size_t>(i)] = RGB(i, 200, 100);
            byPixel.SetPixel(c.x + i, c.y, written[static_cast<std::size_t>(i)]);
        }
        byRow.SetPixelRow(c.x, c.y, written.data(), c.count);
        EXPECT_TRUE(std::equal(rowWise.Data(), rowWise.Data() + 20 * 12, pixelWise.Data()));
        const std::vector<RECT> rowRects = rowWise.TakeDirty();
        const std::vector<RECT> pixelRects = pixelWise.TakeDirty();
        ASSERT_EQ(rowRects.size(), pixelRects.size());
        for (std::size_t i = 0; i < rowRects.size(); ++i) {
            EXPECT_EQ(std::tie(rowRects[i].left, rowRects[i].top, rowRects[i].right, rowRects[i].bottom),
                      std::tie(pixelRects[i].left, pixelRects[i].top, pixelRects[i].right, pixelRects[i].bottom));
        }
    }
}

TEST(Fonts, TheSizeChosenIsTheLargestThatFitsTheCellAndFewSizesAreMeasured)
{
    // Heights as fonts have them: about 1.17 times the size, a fixed extra line gap, or
    // nothing that fits at all.
    const std::function<int(int)> shapes[] = {
        [](int size) { return (size * 117 + 50) / 100; },
        [](int size) { return size + 3; },
        [](int size) { return size * 3 / 2 + 1; },
        [](int size) { return size * 10; },
        [](int size) { return size; },
    };
    for (std::size_t k = 0; k < std::size(shapes); ++k) {
        for (int cell = 1; cell <= 120; ++cell) {
            int want = cell;  // every size from the cell down, the first that fits
            for (int size = cell; size >= 4; --size) {
                want = size;
                if (shapes[k](size) <= cell) {
                    break;
                }
            }
            int measured = 0;
            const int got = platform_detail::LargestSizeThatFits(cell, [&](int size) {
                ++measured;
                EXPECT_GE(size, 4);
                EXPECT_LE(size, cell);
                return shapes[k](size);
            });
            ASSERT_EQ(got, want) << "shape " << k << " cell " << cell;
            if (k < 3) {
                EXPECT_LE(measured, 4) << "shape " << k << " cell " << cell;
            }
        }
    }
}

TEST(Fonts, TheStretchChosenIsTheFirstStepDownThatFitsTheWidthAndFewStepsAreMeasured)
{
    const std::function<int(int)> shapes[] = {
        [](int stretch) { return stretch * 30 / 100; }, [](int stretch) { return stretch * 21 / 100 + 4; },
        [](int stretch) { return 1000 + stretch; },  // never fits
        [](int) { return 1; },                       // always fits
    };
    for (std::size_t k = 0; k < std::size(shapes); ++k) {
        for (int start = 50; start <= 200; ++start) {
            for (int room10 = 100; room10 <= 1000; room10 += 37) {
                int want = start;  // every fifth stretch down from the start, while above 50
                while (want > 50 && shapes[k](want) * 10 > room10) {
                    want -= 5;
                }
                int measured = 0;
                const int got = platform_detail::StretchThatFits(start, room10, [&](int stretch) {
                    ++measured;
                    EXPECT_GT(stretch, 50);
                    return shapes[k](stretch);
                });
                ASSERT_EQ(got, want) << "shape " << k << " start " << start << " room " << room10;
                if (k < 2) {
                    EXPECT_LE(measured, 5) << "shape " << k << " start " << start << " room " << room10;
                }
            }
        }
    }
}

TEST(Sound, WithoutNoStopASoundCutsInWithItADropsWhileOnePlays)
{
    double now = 100.0;
    std::vector<testing_hooks::SoundEvent> events;
    testing_hooks::SetSoundClock([&] { return now; });
    testing_hooks::SetSoundObserver([&](const testing_hooks::SoundEvent& e) { events.push_back(e); });
    const void* a = LockResource(LoadResource(FindResource("ZA", "wave")));
    const void* b = LockResource(LoadResource(FindResource("zb", "WAVE")));
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NEAR(testing_hooks::SoundSeconds(a), 1.0, 0.01);

    EXPECT_TRUE(sndPlaySound(a, SND_ASYNC | SND_MEMORY));
    now += 0.5;
    EXPECT_FALSE(sndPlaySound(b, SND_ASYNC | SND_MEMORY | SND_NOSTOP));  // dropped: a still plays
    EXPECT_TRUE(sndPlaySound(b, SND_ASYNC | SND_MEMORY));                // cuts a
    now += 1.2;                                                          // b has ended
    EXPECT_TRUE(sndPlaySound(a, SND_ASYNC | SND_MEMORY | SND_NOSTOP));
    ASSERT_EQ(events.size(), 4u);
    EXPECT_FALSE(events[1].played);
    EXPECT_TRUE(events[3].played);
    // A broken image is refused, and a null one stops whatever plays.
    const char junk[64] = "RIFF\x10\0\0\0WAVEjunk";
    EXPECT_FALSE(sndPlaySound(junk, SND_ASYNC | SND_MEMORY));
    EXPECT_TRUE(sndPlaySound(nullptr, 0));
    EXPECT_TRUE(sndPlaySound(b, SND_ASYNC | SND_MEMORY | SND_NOSTOP));
    testing_hooks::SetSoundObserver({});
    testing_hooks::SetSoundClock({});
}

TEST(Resources, NamesCompareWithoutRegardToCaseAndMissingOnesAreNull)
{
    EXPECT_NE(FindResource("ZOK", "wave"), nullptr);
    EXPECT_EQ(FindResource("zok", "wave"), FindResource("ZoK", "Wave"));
    EXPECT_EQ(FindResource("NOPE", "wave"), nullptr);
    EXPECT_EQ(LockResource(LoadResource(nullptr)), nullptr);
    EXPECT_EQ(LoadString(101), "About Pomarel(&A)...");
    EXPECT_EQ(LoadString(103), "Windows comm port fails.");
    EXPECT_EQ(LoadString(9999), "");
    CBitmap none;
    EXPECT_FALSE(none.LoadBitmap(4242));
    EXPECT_EQ(LoadIcon(4242), nullptr);
    EXPECT_NE(LoadIcon(128), nullptr);
}

TEST(SystemLanguage, LocalesMapToWindowsLanguageIdentifiers)
{
    struct Case {
        const char* locale;
        LANGID id;
    };
    const Case cases[] = {
        {"fr_FR.UTF-8", 0x040C},
        {"fr_CA.UTF-8", 0x0C0C},
        {"fr_LU", 0x140C},
        {"fr_MC.UTF-8", 0x180C},
        {"fr", 0x040C},
        {"de_CH.UTF-8", 0x0807},
        {"de_DE@euro", 0x0407},
        {"zh_CN.UTF-8", 0x0804},
        {"zh_TW.UTF-8", 0x0404},
        {"zh_HK.UTF-8", 0x0C04},
        {"ja_JP.UTF-8", 0x0411},
        {"es_MX.UTF-8", 0x080A},
        {"es_ES.UTF-8", 0x0C0A},
        {"en_GB.UTF-8", 0x0809},
        {"en_US.UTF-8", 0x0409},
        {"C", 0x0409},
        {"C.UTF-8", 0x0409},
        {"POSIX", 0x0409},
        {"", 0x0409},
        {"xx_YY.UTF-8", 0x0409},
        {"ru_RU.UTF-8", 0x0419},
        {"es_ZZ", 0x0C0A},
        {"garbage@@..", 0x0409},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LangIdOfLocale(c.locale), c.id) << c.locale;
    }
}

TEST(SystemLanguage, LcAllBeatsLcMessagesBeatsLang)
{
    setenv("LANG", "de_DE.UTF-8", 1);
    setenv("LC_MESSAGES", "ja_JP.UTF-8", 1);
    setenv("LC_ALL", "fr_CA.UTF-8", 1);
    EXPECT_EQ(GetSystemDefaultLangID(), 0x0C0C);
    setenv("LC_ALL", "", 1);
    EXPECT_EQ(GetSystemDefaultLangID(), 0x0411);
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    EXPECT_EQ(GetSystemDefaultLangID(), 0x0407);
    setenv("LANG", "en_US.UTF-8", 1);
}

TEST(Timers, SettingARunningTimerRestartsItWithTheNewPeriod)
{
    testing_hooks::SetScreenSize(640, 480);
    CDialog dlg(100);
    dlg.Create();
    dlg.SetTimer(7, 5000);
    EXPECT_TRUE(testing_hooks::IsTimerRunning(dlg, 7));
    EXPECT_EQ(testing_hooks::TimerInterval(dlg, 7), 5000);
    dlg.SetTimer(7, 20);
    EXPECT_EQ(testing_hooks::TimerInterval(dlg, 7), 20);
    EXPECT_TRUE(dlg.KillTimer(7));
    EXPECT_FALSE(dlg.KillTimer(7));
    EXPECT_FALSE(testing_hooks::IsTimerRunning(dlg, 7));
    testing_hooks::SetScreenSize(0, 0);
}

TEST(Resources, EveryResourceTheProgramAsksForIsEmbedded)
{
    // Stored as the files are, whose formats the resource file tests check.
    std::vector<std::string> waves{"ZOK", "ZERROR", "CAR0", "CAR1", "CAR2", "CAR3", "CAR4"};
    for (const char c : std::string("0123456789abcdefghijklmnopqrstuvwxyz")) {
        waves.push_back(std::string("Z") + c);
    }
    for (const std::string& name : waves) {
        HRSRC res = FindResource(name, "wave");
        ASSERT_NE(res, nullptr) << name;
        const auto* bytes = static_cast<const char*>(LockResource(LoadResource(res)));
        EXPECT_EQ(std::string(bytes, 4), "RIFF") << name;
    }
    for (const UINT id : {129u, 130u, 131u}) {
        CBitmap bitmap;
        ASSERT_TRUE(bitmap.LoadBitmap(id)) << id;
        BITMAP bm{};
        bitmap.GetObject(&bm);
        EXPECT_EQ(bm.bmWidth, id == 129 ? 73 : 75);
        EXPECT_EQ(bm.bmHeight, id == 129 ? 47 : 83);
    }
    EXPECT_NE(LoadIcon(128), nullptr);
}

namespace {

// The dark pixels of 'text' drawn black on white in 'font', relative to their own top left corner,
// and the box they cover on the surface (right and bottom exclusive); the box of every pixel drawn.
struct Ink {
    std::vector<std::pair<int, int>> pixels;
    RECT box{};
    RECT touched{};
};
Ink Draw(CFont& font, const std::string& text, POINT at)
{
    Surface s(120, 120, ToScreenPixel(RGB(255, 255, 255)));
    CDC dc(&s);
    dc.SelectObject(&font);
    dc.SetBkMode(TRANSPARENT);
    dc.TextOut(at.x, at.y, text);
    Ink ink{{}, {1000, 1000, -1, -1}, {1000, 1000, -1, -1}};
    for (int y = 0; y < 120; ++y) {
        for (int x = 0; x < 120; ++x) {
            if (dc.GetPixel(x, y) != RGB(255, 255, 255)) {
                ink.touched = {std::min<int>(ink.touched.left, x), std::min<int>(ink.touched.top, y),
                               std::max<int>(ink.touched.right, x + 1), std::max<int>(ink.touched.bottom, y + 1)};
            }
            if (GetRValue(dc.GetPixel(x, y)) < 128) {
                ink.box = {std::min<int>(ink.box.left, x), std::min<int>(ink.box.top, y),
                           std::max<int>(ink.box.right, x + 1), std::max<int>(ink.box.bottom, y + 1)};
                ink.pixels.emplace_back(x, y);
            }
        }
    }
    for (auto& p : ink.pixels) {
        p = {p.first - ink.box.left, p.second - ink.box.top};
    }
    return ink;
}

}  // namespace

TEST(Fonts, TheAppleFaceTellsLIOneOAndZeroApartAndItsInkIsCentred)
{
    const std::string alike[] = {"l", "I", "1", "|", "O", "0"};
    std::vector<Ink> inks;
    for (const std::string& ch : alike) {
        CFont font;
        font.CreateFont(AppleGlyphHeight(U'l'), 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, kAppleFace);
        inks.push_back(Draw(font, ch, {20, 20}));
    }
    for (std::size_t a = 0; a < inks.size(); ++a) {
        for (std::size_t b = a + 1; b < inks.size(); ++b) {
            std::vector<std::pair<int, int>> both;
            std::set_symmetric_difference(inks[a].pixels.begin(), inks[a].pixels.end(), inks[b].pixels.begin(),
                                          inks[b].pixels.end(), std::back_inserter(both));
            EXPECT_GT(both.size(), std::max(inks[a].pixels.size(), inks[b].pixels.size()) / 5)
                << "\"" << alike[a] << "\" and \"" << alike[b] << "\" look alike";
        }
    }
    // Small marks are drawn larger than letters, and the ink box the program centres by is the ink
    // the surface shows: its middle lands on the point asked for. Every character's ink stays in
    // the apple's box (54 x 71, centred at 26, 40 of it), all that is put back when the apple goes.
    const std::string_view marks = ",'`.-Wgj";
    for (const char ch : std::string_view("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"
                                          "`-=\\[];',./~!@#$%^&*()_+{}|:\"<>?")) {
        CFont font;
        font.CreateFont(AppleGlyphHeight(static_cast<unsigned char>(ch)), 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0,
                        0, 0, 0, kAppleFace);
        const std::string text(1, ch);
        Surface s(1, 1, 0);
        CDC measure(&s);
        measure.SelectObject(&font);
        const POINT centre{60, 60};
        const Ink ink = Draw(font, text, CentredTextOrigin(centre, measure.GetTextInkBox(text)));
        ASSERT_FALSE(ink.pixels.empty()) << text;
        const RECT& t = ink.touched;
        EXPECT_TRUE(t.left >= centre.x - 26 && t.right <= centre.x + 28 && t.top >= centre.y - 40 &&
                    t.bottom <= centre.y + 31)
            << text << " leaves the apple's box";
        if (marks.find(ch) == std::string_view::npos) {
            continue;
        }
        EXPECT_NEAR((ink.box.left + ink.box.right) / 2.0, centre.x, 1.5) << text;
        EXPECT_NEAR((ink.box.top + ink.box.bottom) / 2.0, centre.y, 1.5) << text;
        const bool small = ch != 'W' && ch != 'g' && ch != 'j';
        EXPECT_EQ(AppleGlyphHeight(static_cast<unsigned char>(ch)) > AppleGlyphHeight(U'W'), small) << text;
        EXPECT_GE(std::max(ink.box.right - ink.box.left, ink.box.bottom - ink.box.top), 8) << text << " is a speck";
    }
}
