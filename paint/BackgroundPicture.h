// The user's own background picture, "Face.jpg" in the current directory.
#pragma once

#include <string_view>

#include "platform/face/gdi.h"

// Holds the picture for one paint. Its pixels are the background's, decoded once ahead of the
// first paint and kept between paints; a change to the file shows at the next paint.
class BackgroundPicture {
public:
    BackgroundPicture(int width, int height) : m_width(width), m_height(height) {}
    // FALSE when the file cannot be opened; TRUE otherwise, whether or not it decoded.
    BOOL Load(std::string_view file);
    // Draws the whole picture stretched into the rectangle; nothing when none is held.
    BOOL Render(CDC* dc, const RECT& rc) const;
    bool Holds() const { return m_picture != nullptr; }

private:
    int m_width;
    int m_height;
    const Surface* m_picture = nullptr;
};
