#include "paint/ScreenPainting.h"

#include "platform/winapi.h"

void ScreenPainting::FindPicture()
{
    m_bPictureFound = CFileFind().FindFile(m_strPictureFile);
    // Whichever background shows is read and decoded while the window is being set up.
    if (m_bPictureFound != 0) {
        m_pictureCache.Prepare(m_strPictureFile, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    } else {
        PrepareDesktop();
    }
}

void ScreenPainting::Paint(CDC& dc, Scene& scene, const KeyLegends& plain, const KeyLegends& shifted)
{
    const RECT screen{0, 0, scene.ScreenWidth(), scene.ScreenHeight()};
    if (m_bPictureFound != 0) {
        BackgroundPicture picture(m_pictureCache, scene.ScreenWidth(), scene.ScreenHeight());
        picture.Load(m_strPictureFile);
        picture.Render(&dc, screen);
    } else {
        dc.PaintDesktop();
    }
    scene.PaintKeysAndTree(dc, plain, shifted);
}
