#include "platform/picture.h"

#include <QFile>
#include <QImageReader>

#include <sys/stat.h>

#include "platform/internal.h"

FileStamp StatFile(std::string_view path)
{
    FileStamp stamp;
    struct stat st {};
    const std::string p(path);
    if (::stat(p.c_str(), &st) != 0) {
        return stamp;
    }
    stamp.exists = true;
    stamp.regular = S_ISREG(st.st_mode);
    stamp.size = static_cast<std::int64_t>(st.st_size);
    stamp.modifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.inode = static_cast<std::uint64_t>(st.st_ino);
    return stamp;
}

bool CanReadFile(std::string_view path)
{
    QFile f(platform_detail::ToQt(path));
    return f.open(QIODevice::ReadOnly);
}

Surface DecodePicture(std::string_view path, int width, int height)
{
    if (width <= 0 || height <= 0) {
        return {};
    }
    // Decoders may not allocate more than this, whatever size a file claims.
    QImageReader::setAllocationLimit(256);
    QImageReader reader(platform_detail::ToQt(path));
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    const QSize full = reader.size();
    if (!full.isValid() || full.isEmpty()) {
        return {};
    }
    // Decode straight to the screen's size where the format can (JPEG scales while decoding).
    if (reader.supportsOption(QImageIOHandler::ScaledSize) && full.width() > width && full.height() > height) {
        reader.setScaledSize(QSize(width, height));
    }
    QImage image = reader.read();
    if (image.isNull()) {
        return {};
    }
    if (image.size() != QSize(width, height)) {
        image = image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    return platform_detail::SurfaceFromImage(image);
}
