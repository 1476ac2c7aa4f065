// The full paint of the practice screen: the background (the user's Face.jpg when there is one,
// else the desktop), then the key caps and the tree.
#pragma once

#include <string>

#include "paint/BackgroundPicture.h"
#include "practice/KeyboardModel.h"
#include "scene/Scene.h"

class ScreenPainting {
public:
    // Looks for the picture once, at start-up; a picture that appears later is not used.
    void FindPicture();
    // Paints the background and the scene on 'dc' (a paint context clips to its area).
    void Paint(CDC& dc, Scene& scene, const KeyLegends& plain, const KeyLegends& shifted);

    bool PictureFound() const { return m_bPictureFound != 0; }
    // How often the picture has been decoded (it is kept between paints).
    int PictureDecodes() const { return m_pictureCache.Decodes(); }

private:
    std::string m_strPictureFile = "Face.jpg";
    int m_bPictureFound = 0;
    PictureCache m_pictureCache;
};
