#include "paint/BackgroundPicture.h"

#include "platform/desktop/readers/desktop.h"
#include "platform/desktop/readers/picture.h"

BOOL BackgroundPicture::Load(std::string_view file)
{
    m_picture = nullptr;
    const FileStamp stamp = StatFile(file);
    if (!stamp.exists || !stamp.regular || !CanReadFile(file)) {
        return FALSE;
    }
    m_picture = BackgroundPictureOf(file, m_width, m_height);
    return TRUE;
}

BOOL BackgroundPicture::Render(CDC* dc, const RECT& rc) const
{
    if (m_picture != nullptr && dc != nullptr) {
        dc->DrawImage(*m_picture, rc);
    }
    return TRUE;
}
