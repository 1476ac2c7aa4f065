#include "platform/desktop/readers/picture.h"

#include <QFile>
#include <QImageReader>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>

#include "platform/desktop/readers/image.h"

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
    // Without waiting: opening a pipe that nobody writes would block until someone does.
    const std::string p(path);
    const int fd = ::open(p.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
}

namespace {

// The file opened for decoding when it is a plain file; null otherwise. It is opened without
// waiting and then checked, so that what is decoded is the file that was checked: a pipe or a
// device put in its place in between would block the reader for ever.
std::unique_ptr<QFile> OpenPlainFile(std::string_view path)
{
    const std::string p(path);
    const int fd = ::open(p.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    struct stat st {};
    auto file = std::make_unique<QFile>();
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        !file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return nullptr;
    }
    return file;
}

// The format a file's first bytes announce, for the formats a background is likely to be in;
// empty for any other. Naming it spares the reader from loading every image plugin there is
// (a dozen libraries, WebP's, TIFF's and SVG's among them) to ask each whether it knows the
// file; one that does not match after all is still read by its content.
QByteArray FormatByContent(QIODevice& file)
{
    const QByteArray head = file.peek(16);
    const auto starts = [&head](const char* magic, qsizetype at = 0) {
        return head.mid(at).startsWith(QByteArray(magic));
    };
    if (starts("\xFF\xD8\xFF")) {
        return "jpeg";
    }
    if (starts("\x89PNG\r\n\x1A\n")) {
        return "png";
    }
    if (starts("RIFF") && starts("WEBP", 8)) {
        return "webp";
    }
    if (starts("GIF87a") || starts("GIF89a")) {
        return "gif";
    }
    if (starts("BM")) {
        return "bmp";
    }
    return {};
}

// Points the reader at the file: through the plugin its first bytes name, else (or when that
// plugin does not know the file after all) by asking every plugin.
void UseReaderOn(QImageReader& reader, QIODevice& file)
{
    const QByteArray named = FormatByContent(file);
    if (!named.isEmpty()) {
        reader.setDevice(&file);
        reader.setFormat(named);
        reader.setAutoDetectImageFormat(false);
        if (reader.canRead()) {
            return;
        }
        file.seek(0);
    }
    reader.setDevice(&file);  // a new device: the handler chosen above is let go
    reader.setFormat({});
    reader.setAutoDetectImageFormat(true);
    reader.setDecideFormatFromContent(true);
}

void LimitAllocation(int width, int height)
{
    const auto screenMb = static_cast<int>((static_cast<long long>(width) * height * 4 * 2) >> 20);
    QImageReader::setAllocationLimit(std::max(64, screenMb));
}

}  // namespace

Surface DecodePicture(std::string_view path, int width, int height)
{
    if (width <= 0 || height <= 0) {
        return {};
    }
    // Decoders may not allocate more than this, whatever size a file claims: twice what the
    // screen-sized picture takes, at least 64 MB. Enough for a photo (JPEG decodes at a fraction of
    // its sides) or a picture of the screen's size in any format; not for a few hundred bytes that
    // claim 60000 x 60000, which take 225 MB even at an eighth of their sides.
    LimitAllocation(width, height);
    const std::unique_ptr<QFile> file = OpenPlainFile(path);
    if (!file) {
        return {};
    }
    QImageReader reader;
    UseReaderOn(reader, *file);
    reader.setAutoTransform(true);
    const QSize full = reader.size();
    if (!full.isValid() || full.isEmpty()) {
        return {};
    }
    // Decode straight to the screen's size where the format can: JPEG scales while decoding, and
    // a drawing (SVG) is rendered at the screen's size, sharp however small its own size is.
    const QByteArray format = reader.format();
    const bool drawing = format == "svg" || format == "svgz";
    if (reader.supportsOption(QImageIOHandler::ScaledSize) &&
        (drawing || (full.width() > width && full.height() > height))) {
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

bool PictureSize(std::string_view path, int& width, int& height)
{
    width = height = 0;
    const std::unique_ptr<QFile> file = OpenPlainFile(path);
    if (!file) {
        return false;
    }
    QImageReader reader;
    UseReaderOn(reader, *file);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty()) {
        return false;
    }
    width = size.width();
    height = size.height();
    return true;
}

Surface DecodePicturePart(std::string_view path, int width, int height, const RECT& part)
{
    const QRect keep(part.left, part.top, part.right - part.left, part.bottom - part.top);
    if (width <= 0 || height <= 0 || keep.isEmpty() || !QRect(0, 0, width, height).contains(keep)) {
        return {};
    }
    const std::unique_ptr<QFile> file = OpenPlainFile(path);
    if (!file) {
        return {};
    }
    LimitAllocation(width, height);
    QImageReader reader;
    UseReaderOn(reader, *file);
    const QSize full = reader.size();
    if (!full.isValid() || full.isEmpty()) {
        return {};
    }
    // JPEG scales and cuts while decoding; other formats are decoded whole within the limit above.
    reader.setScaledSize(QSize(width, height));
    reader.setScaledClipRect(keep);
    QImage image = reader.read();
    if (image.isNull()) {
        return {};
    }
    if (image.size() != keep.size()) {
        image = image.scaled(keep.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    return platform_detail::SurfaceFromImage(image);
}
