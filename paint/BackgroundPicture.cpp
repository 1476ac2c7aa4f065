#include "paint/BackgroundPicture.h"

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
        m_picture = DecodePicture(path, width, height);
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
