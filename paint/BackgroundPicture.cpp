#include "paint/BackgroundPicture.h"

PictureCache::~PictureCache()
{
    if (m_decoding.picture.valid()) {
        m_decoding.picture.wait();
    }
}

void PictureCache::Prepare(std::string_view path, int width, int height)
{
    const FileStamp stamp = StatFile(path);
    if (!stamp.exists || !stamp.regular || m_decoding.picture.valid()) {
        return;
    }
    m_decoding.path = std::string(path);
    m_decoding.stamp = stamp;
    m_decoding.width = width;
    m_decoding.height = height;
    m_decoding.picture = std::async(
        std::launch::async, [file = m_decoding.path, width, height] { return DecodePicture(file, width, height); });
}

const Surface* PictureCache::Get(std::string_view path, int width, int height)
{
    const FileStamp stamp = StatFile(path);
    if (!stamp.exists || !stamp.regular) {
        m_valid = false;
        m_picture = Surface();
        return nullptr;
    }
    const bool same = m_valid && m_path == path && m_stamp == stamp && m_width == width && m_height == height;
    if (!same) {
        m_path = std::string(path);
        m_stamp = stamp;
        m_width = width;
        m_height = height;
        if (m_decoding.picture.valid()) {
            // A decoding started for this very file and size is taken; another is let go.
            Surface started = m_decoding.picture.get();
            if (m_decoding.path == path && m_decoding.stamp == stamp && m_decoding.width == width &&
                m_decoding.height == height) {
                m_picture = std::move(started);
            } else {
                m_picture = DecodePicture(path, width, height);
            }
        } else {
            m_picture = DecodePicture(path, width, height);
        }
        m_valid = true;
        ++m_decodes;
    }
    return m_picture.Width() > 0 ? &m_picture : nullptr;
}

BOOL BackgroundPicture::Load(std::string_view file)
{
    m_picture = nullptr;
    const FileStamp stamp = StatFile(file);
    if (!stamp.exists || !stamp.regular || !CanReadFile(file)) {
        return FALSE;
    }
    m_picture = m_cache.Get(file, m_width, m_height);
    return TRUE;
}

BOOL BackgroundPicture::Render(CDC* dc, const RECT& rc) const
{
    if (m_picture != nullptr && dc != nullptr) {
        dc->DrawImage(*m_picture, rc);
    }
    return TRUE;
}
