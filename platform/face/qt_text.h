// Text between the program's UTF-8 strings and the toolkit's QString.
#pragma once

#include <QByteArray>
#include <QString>

#include <string>
#include <string_view>

namespace platform_detail {

inline QString ToQt(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
inline std::string FromQt(const QString& s)
{
    const QByteArray utf8 = s.toUtf8();
    return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

}  // namespace platform_detail
