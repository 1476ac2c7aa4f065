// The user's own background picture, "Face.jpg" in the current directory.
#pragma once

#include <future>
#include <string>
#include <string_view>

#include "platform/face/gdi.h"
#include "platform/desktop/readers/picture.h"

// The decoded, screen-sized picture, kept between paints. The file is decoded again only when
// its size, modification time or identity changes, so a change to the file shows at the next paint.
class PictureCache {
public:
    PictureCache() = default;
    PictureCache(const PictureCache&) = delete;
    PictureCache& operator=(const PictureCache&) = delete;
    ~PictureCache();

    // Starts decoding the file at this size on another thread; Get takes the result when the
    // file and the size are still the same, waiting for the rest of the work.
    void Prepare(std::string_view path, int width, int height);
    // The picture of the file at this size; null when there is none to be had.
    const Surface* Get(std::string_view path, int width, int height);
    int Decodes() const { return m_decodes; }

private:
    struct Decoding {
        std::string path;
        FileStamp stamp;
        int width = 0;
        int height = 0;
        std::future<Surface> picture;
    };
    Decoding m_decoding;

    std::string m_path;
    FileStamp m_stamp;
    int m_width = 0;
    int m_height = 0;
    Surface m_picture;
    bool m_valid = false;
    int m_decodes = 0;
};

// Holds one decoded picture for one paint.
class BackgroundPicture {
public:
    explicit BackgroundPicture(PictureCache& cache, int width, int height)
        : m_cache(cache), m_width(width), m_height(height)
    {
    }
    // FALSE when the file cannot be opened; TRUE otherwise, whether or not it decoded.
    BOOL Load(std::string_view file);
    // Draws the whole picture stretched into the rectangle; nothing when none is held.
    BOOL Render(CDC* dc, const RECT& rc) const;
    bool Holds() const { return m_picture != nullptr; }

private:
    PictureCache& m_cache;
    int m_width;
    int m_height;
    const Surface* m_picture = nullptr;
};
