#include "platform/face/seams.h"

namespace {

// A screen size set through the seam; 0 x 0: the real screen's.
int g_setWidth = 0;
int g_setHeight = 0;

}  // namespace

namespace platform_seams {

std::function<int(std::string_view, UINT)>& MessageBoxAnswerer()
{
    static std::function<int(std::string_view, UINT)> answer;
    return answer;
}

std::function<void(CDialog&)>& ModalDialogObserver()
{
    static std::function<void(CDialog&)> observe;
    return observe;
}

std::function<void(DialogWindow&, const RECT&)>& PresentObserver()
{
    static std::function<void(DialogWindow&, const RECT&)> observe;
    return observe;
}

void SetScreenSize(int width, int height)
{
    g_setWidth = width;
    g_setHeight = height;
}

bool ScreenSizeSet(int& width, int& height)
{
    if (g_setWidth <= 0 || g_setHeight <= 0) {
        return false;
    }
    width = g_setWidth;
    height = g_setHeight;
    return true;
}

std::function<void(const SoundEvent&)>& SoundObserver()
{
    static std::function<void(const SoundEvent&)> observe;
    return observe;
}

}  // namespace platform_seams
