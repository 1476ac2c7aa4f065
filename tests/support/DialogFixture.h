// A practice window on the offscreen platform, created, shown and painted once, with message
// boxes answered by the test and every sound recorded.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/PracticeDialog.h"
#include "platform/testing/testing.h"

struct PlayedSound {
    const void* image;
    UINT flags;
    bool played;
};

// The pixels of 'r' on 's' (right and bottom exclusive), row by row, as the scene saves them.
std::vector<COLORREF> PixelsOf(const Surface& s, const RECT& r);

class PracticeWindow {
public:
    explicit PracticeWindow(int width = 1024, int height = 768, const char* lang = "en_US.UTF-8");
    ~PracticeWindow();
    PracticeWindow(const PracticeWindow&) = delete;
    PracticeWindow& operator=(const PracticeWindow&) = delete;

    PracticeDialog& dlg() { return *m_dlg; }
    Surface& screen() { return m_dlg->ScreenSurface(); }
    COLORREF Pixel(int x, int y) { return FromScreenPixel(screen().Row(y)[x]); }
    // The pixels of 'r' on the screen (see PixelsOf).
    std::vector<COLORREF> Pixels(const RECT& r) { return PixelsOf(screen(), r); }
    // A key's rectangle: its right column and bottom row included.
    std::vector<COLORREF> KeyPixels(const RECT& k) { return Pixels({k.left, k.top, k.right + 1, k.bottom + 1}); }
    // Whether the key shows 'saved' (which may be longer: the scratch buffer fits the largest key).
    bool KeyShows(const RECT& k, const std::vector<COLORREF>& saved)
    {
        const std::vector<COLORREF> shown = KeyPixels(k);
        return saved.size() >= shown.size() && std::equal(shown.begin(), shown.end(), saved.begin());
    }
    // The area a hand prompt covers, above the left (0) or right (1) hand's key of the top row.
    RECT HandRect(int bRight) const
    {
        const Scene& s = m_dlg->GetScene();
        const RECT& k = s.KeyRect(0, bRight != 0 ? 11 : 2);
        return {k.left, k.top - s.HandHeight(), k.left + s.HandWidth(), k.top};
    }
    // Whether that area shows what the first paint left there: no hand on show.
    bool HandHidden(int bRight) { return Pixels(HandRect(bRight)) == m_dlg->GetScene().HandBackground(bRight); }

    // Types a character as the keyboard gives it (WM_KEYDOWN then WM_CHAR).
    void Type(char32_t c);
    void Key(int vk) { testing_hooks::PressKey(*m_dlg, vk); }
    // Fires a timer 'times' times in a row.
    void Fire(UINT_PTR id, int times = 1)
    {
        for (int i = 0; i < times; ++i)
            testing_hooks::FireTimer(*m_dlg, id);
    }
    // The character the current target asks for.
    char Target() const { return m_dlg->GetExercise().Target(); }
    // A character that is surely wrong for the current target.
    char Wrong() const { return m_dlg->GetExercise().Target() == 'x' ? 'y' : 'x'; }

    // Moves the sound clock on, so the sound playing now ends.
    void LetSoundsEnd() { m_clock += 60.0; }

    std::vector<PlayedSound> sounds;
    std::vector<std::string> boxes;
    int answer = IDNO;  // what message boxes answer to MB_YESNO

private:
    std::unique_ptr<PracticeDialog> m_dlg;
    double m_clock = 1000.0;
};
