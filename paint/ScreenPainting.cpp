#include "paint/ScreenPainting.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/desktop/readers/desktop.h"
#include "platform/face/winapi.h"

ScreenPainting::~ScreenPainting()
{
    if (m_bRepaintSet) {
        SetDesktopReadyHandler({});
    }
}

void ScreenPainting::FindPicture(std::function<void()> repaint)
{
    if (repaint) {
        SetDesktopReadyHandler(std::move(repaint));
        m_bRepaintSet = true;
    }
    m_bPictureFound = CFileFind().FindFile(m_strPictureFile);
    // The background is read and decoded while the window is being set up: the picture, else
    // (when it is not there or does not decode) the desktop.
    const bool usable = m_bPictureFound != 0 && UnusableBecause().empty();
    m_decodesBefore = BackgroundPictureDecodes();
    PrepareBackground(usable ? std::string_view(m_strPictureFile) : std::string_view());
}

int ScreenPainting::PictureDecodes() const
{
    return BackgroundPictureDecodes() - m_decodesBefore;
}

std::string ScreenPainting::UnusableBecause() const
{
    const FileStamp stamp = StatFile(m_strPictureFile);
    if (!stamp.exists) {
        return "is gone";
    }
    if (!stamp.regular) {
        return "is not a plain file";
    }
    if (stamp.size == 0) {
        return "is empty";
    }
    if (!CanReadFile(m_strPictureFile)) {
        return std::string("cannot be opened (") + std::strerror(errno) + ")";
    }
    return {};
}

void ScreenPainting::Paint(CDC& dc, Scene& scene, const KeyLegends& plain, const KeyLegends& shifted)
{
    const RECT screen{0, 0, scene.ScreenWidth(), scene.ScreenHeight()};
    bool shown = false;
    // What the scene draws again under a hidden key is what this paint draws: no older picture.
    scene.SetBackground(nullptr);
    if (m_bPictureFound != 0) {
        BackgroundPicture picture(scene.ScreenWidth(), scene.ScreenHeight());
        picture.Load(m_strPictureFile);
        if (picture.Holds()) {
            picture.Render(&dc, screen);
            // The picture is the one kept between paints; only a paint replaces it.
            scene.SetBackground([picture, screen](CDC& into) { picture.Render(&into, screen); });
            shown = true;
        } else {
            // Said once for each state of the file, not at every paint.
            const FileStamp stamp = StatFile(m_strPictureFile);
            if (!m_bReported || !(stamp == m_reportedStamp)) {
                std::string why = UnusableBecause();
                if (why.empty()) {
                    why = "cannot be decoded as a picture";
                }
                std::fprintf(stderr, "pomarel: %s %s; the desktop shows instead\n", m_strPictureFile.c_str(),
                             why.c_str());
                m_bReported = true;
                m_reportedStamp = stamp;
            }
        }
    }
    if (!shown) {
        dc.PaintDesktop();
        scene.SetBackground([](CDC& into) { into.PaintDesktop(); });
    }
    scene.PaintKeysAndTree(dc, plain, shifted);
}
