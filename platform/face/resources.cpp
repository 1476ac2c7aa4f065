// Embedded resources: one folder per type under the resource root, one file per resource,
// named by the resource's name or number. Names compare without regard to case.
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QResource>

#include <map>
#include <memory>
#include <string>

#include "platform/face/qt_text.h"
#include "platform/face/resources.h"
#include "platform/face/winapi.h"

struct ResourceEntry {
    QByteArray bytes;
};

namespace {

std::string Lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

// type/name -> resource file path, built once from the embedded tree.
const std::map<std::string, QString>& Index()
{
    static const std::map<std::string, QString> index = [] {
        std::map<std::string, QString> out;
        QDirIterator it(QStringLiteral(":/"), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QFileInfo info(path);
            const std::string type = platform_detail::FromQt(info.dir().dirName());
            const std::string name = platform_detail::FromQt(info.completeBaseName());
            out.emplace(Lower(type) + "/" + Lower(name), path);
        }
        return out;
    }();
    return index;
}

// Loaded resources live until the process ends: their bytes are handed out as plain pointers.
std::map<std::string, std::unique_ptr<ResourceEntry>>& Loaded()
{
    static std::map<std::string, std::unique_ptr<ResourceEntry>> loaded;
    return loaded;
}

const ResourceEntry* Find(std::string_view type, std::string_view name)
{
    const std::string key = Lower(type) + "/" + Lower(name);
    auto& loaded = Loaded();
    if (auto it = loaded.find(key); it != loaded.end()) {
        return it->second.get();
    }
    const auto& index = Index();
    const auto it = index.find(key);
    if (it == index.end()) {
        return nullptr;
    }
    // A resource stored uncompressed is used where it lies in the program's image (read-only
    // pages shared with the file); only a compressed one is inflated onto the heap.
    const QResource resource(it->second);
    QByteArray bytes;
    if (resource.isValid() && resource.compressionAlgorithm() == QResource::NoCompression &&
        resource.data() != nullptr) {
        bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(resource.data()),
                                        static_cast<qsizetype>(resource.size()));
    } else {
        QFile file(it->second);
        if (!file.open(QIODevice::ReadOnly)) {
            return nullptr;
        }
        bytes = file.readAll();
    }
    auto entry = std::make_unique<ResourceEntry>(ResourceEntry{std::move(bytes)});
    return loaded.emplace(key, std::move(entry)).first->second.get();
}

}  // namespace

namespace platform_detail {

const QByteArray* ResourceBytes(std::string_view type, std::string_view name)
{
    const ResourceEntry* e = Find(type, name);
    return e != nullptr ? &e->bytes : nullptr;
}

}  // namespace platform_detail

HRSRC FindResource(std::string_view name, std::string_view type)
{
    return Find(type, name);
}

HGLOBAL LoadResource(HRSRC res)
{
    return res;
}

const void* LockResource(HGLOBAL res)
{
    return res != nullptr ? res->bytes.constData() : nullptr;
}

std::size_t SizeofResource(HRSRC res)
{
    return res != nullptr ? static_cast<std::size_t>(res->bytes.size()) : 0;
}

std::string LoadString(UINT id)
{
    const QByteArray* bytes = platform_detail::ResourceBytes("string", "strings");
    if (bytes == nullptr) {
        return {};
    }
    const QJsonObject table = QJsonDocument::fromJson(*bytes).object();
    return platform_detail::FromQt(table.value(QString::number(id)).toString());
}
