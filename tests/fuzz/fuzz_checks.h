// What every fuzz target checks of a parser's result besides not crashing, leaking or hanging.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <optional>

#include "platform/desktop/wallpaper.h"

inline void Check(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "fuzz: %s\n", what);
        std::abort();
    }
}

// A wallpaper choice names an absolute path unless it shows the colour alone, and its colour is opaque.
inline void CheckChoice(const std::optional<WallpaperChoice>& choice)
{
    if (!choice) {
        return;
    }
    Check((choice->color >> 24) == 0xff, "a wallpaper colour came without its opaque alpha");
    Check(choice->mode == FillMode::None || (!choice->path.empty() && choice->path.front() == '/'),
          "a wallpaper picture's path is not absolute");
}
