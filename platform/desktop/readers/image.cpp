#include "platform/desktop/readers/image.h"

#include <algorithm>
#include <cstdint>

namespace platform_detail {

QImage WrapSurface(Surface& s)
{
    if (s.Width() == 0 || s.Height() == 0) {
        return {};
    }
    return QImage(reinterpret_cast<uchar*>(s.Data()), s.Width(), s.Height(), s.Width() * 4, QImage::Format_RGB32);
}

QImage WrapSurface(const Surface& s)
{
    if (s.Width() == 0 || s.Height() == 0) {
        return {};
    }
    return QImage(reinterpret_cast<const uchar*>(s.Data()), s.Width(), s.Height(), s.Width() * 4, QImage::Format_RGB32);
}

Surface SurfaceFromImage(const QImage& image)
{
    if (image.isNull()) {
        return {};
    }
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    Surface s(rgb.width(), rgb.height());
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* src = reinterpret_cast<const std::uint32_t*>(rgb.constScanLine(y));
        std::copy(src, src + rgb.width(), s.Row(y));
    }
    return s;
}

}  // namespace platform_detail
