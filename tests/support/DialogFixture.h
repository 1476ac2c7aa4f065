// A practice window on the offscreen platform, created, shown and painted once, with message
// boxes answered by the test and every sound recorded.
#pragma once

#include <gtest/gtest.h>

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

class PracticeWindow {
public:
    explicit PracticeWindow(int width = 1024, int height = 768, const char* lang = "en_US.UTF-8");
    ~PracticeWindow();
    PracticeWindow(const PracticeWindow&) = delete;
    PracticeWindow& operator=(const PracticeWindow&) = delete;

    PracticeDialog& dlg() { return *m_dlg; }
    Surface& screen() { return m_dlg->ScreenSurface(); }
    COLORREF Pixel(int x, int y) { return FromScreenPixel(screen().Row(y)[x]); }

    // Types a character as the keyboard gives it (WM_KEYDOWN then WM_CHAR).
    void Type(char32_t c);
    void Key(int vk) { testing_hooks::PressKey(*m_dlg, vk); }
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
