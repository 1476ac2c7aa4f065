#include "tests/support/DialogFixture.h"

#include <cstdlib>

PracticeWindow::PracticeWindow(int width, int height, const char* lang)
{
    setenv("LANG", lang, 1);
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    testing_hooks::SetScreenSize(width, height);
    testing_hooks::SetMessageBoxHook([this](std::string_view text, UINT type) {
        boxes.emplace_back(text);
        return (type & 0xF) == MB_YESNO ? answer : IDOK;
    });
    testing_hooks::SetSoundObserver([this](const testing_hooks::SoundEvent& e) {
        sounds.push_back({e.image, e.flags, e.played});
    });
    // Sounds end only when the test moves this clock on.
    testing_hooks::SetSoundClock([this] { return m_clock; });
    m_dlg = std::make_unique<PracticeDialog>();
    m_dlg->Create();
    testing_hooks::PaintNow(*m_dlg);
}

PracticeWindow::~PracticeWindow()
{
    m_dlg.reset();
    testing_hooks::PumpEvents(0);
    testing_hooks::SetMessageBoxHook({});
    testing_hooks::SetSoundObserver({});
    testing_hooks::SetSoundClock({});
    testing_hooks::SetScreenSize(0, 0);
}

void PracticeWindow::Type(char32_t c)
{
    int vk = 0;
    if (c >= 'a' && c <= 'z') {
        vk = static_cast<int>(c - 'a' + 'A');
    } else if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
        vk = static_cast<int>(c);
    }
    const char32_t text[2] = {c, 0};
    testing_hooks::PressKey(*m_dlg, vk, std::u32string_view(text, 1), c >= 'A' && c <= 'Z');
}

std::vector<COLORREF> PixelsOf(const Surface& s, const RECT& r)
{
    std::vector<COLORREF> out;
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            out.push_back(FromScreenPixel(s.Row(y)[x]));
        }
    }
    return out;
}
