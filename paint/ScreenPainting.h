// The full paint of the practice screen: the background (the user's Face.jpg when there is one,
// else the desktop), then the key caps and the tree.
#pragma once

#include <functional>
#include <string>

#include "paint/BackgroundPicture.h"
#include "platform/desktop/readers/picture.h"
#include "practice/KeyboardModel.h"
#include "scene/Scene.h"

class ScreenPainting {
public:
    ScreenPainting() = default;
    ScreenPainting(const ScreenPainting&) = delete;
    ScreenPainting& operator=(const ScreenPainting&) = delete;
    ~ScreenPainting();

    // Looks for the picture once, at start-up; a picture that appears later is not used. A
    // picture that cannot be shown (a folder, a pipe, empty, unreadable, not a picture) gives the
    // desktop, with a line on stderr saying why. 'repaint' asks the window for a full paint: it is
    // called when a wallpaper that the first paint could not wait for is ready.
    void FindPicture(std::function<void()> repaint = {});
    // Paints the background and the scene on 'dc' (a paint context clips to its area).
    void Paint(CDC& dc, Scene& scene, const KeyLegends& plain, const KeyLegends& shifted);

    bool PictureFound() const { return m_bPictureFound != 0; }
    // How often the picture has been decoded (it is kept between paints).
    int PictureDecodes() const;

private:
    // Why the picture file cannot be shown, from what it is (not what it holds); empty when it may.
    std::string UnusableBecause() const;

    std::string m_strPictureFile = "Face.jpg";
    bool m_bRepaintSet = false;
    bool m_bReported = false;  // the picture's fault has been told for the file as it is now
    FileStamp m_reportedStamp;
    int m_bPictureFound = 0;
    int m_decodesBefore = 0;  // the background's decodes before this painting looked
};
