#include "platform/desktop/readers/picture_cache.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <vector>

namespace {

// The most a picture file may hold to be kept: hashing it must stay far cheaper than decoding.
constexpr std::int64_t kLargestPicture = std::int64_t{256} << 20;
// Pictures kept at once: the screen's size changes with a laptop that docks.
constexpr std::size_t kPicturesKept = 2;

class FileHandle {
public:
    explicit FileHandle(int fd) : m_fd(fd) {}
    FileHandle(FileHandle&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    FileHandle& operator=(FileHandle&&) = delete;
    ~FileHandle()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    int Get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }
    // Closes it now, for a writer that must know the close went well.
    bool Close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

std::mutex& FolderLock()
{
    static std::mutex lock;
    return lock;
}

std::optional<std::string>& FolderSetByTest()
{
    static std::optional<std::string> folder;
    return folder;
}

std::atomic<int> g_reads{0};
std::atomic<bool> g_complained{false};

std::string Folder()
{
    {
        const std::lock_guard<std::mutex> hold(FolderLock());
        if (FolderSetByTest()) {
            return *FolderSetByTest();
        }
    }
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    return PictureCacheFolder(xdg != nullptr ? xdg : "", home != nullptr ? home : "");
}

std::int64_t Ns(const timespec& t)
{
    return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// Reads 'size' bytes at 'offset' whole; false on an error or a file that ends before.
bool ReadAll(int fd, void* to, std::size_t size, off_t offset)
{
    auto* at = static_cast<char*>(to);
    while (size > 0) {
        const ssize_t n = ::pread(fd, at, size, offset);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        at += n;
        size -= static_cast<std::size_t>(n);
        offset += n;
    }
    return true;
}

bool WriteAll(int fd, const void* from, std::size_t size)
{
    const auto* at = static_cast<const char*>(from);
    while (size > 0) {
        const ssize_t n = ::write(fd, at, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n == 0) {
                errno = EIO;
            }
            return false;
        }
        at += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// One line on stderr for the first failed write of the run; the program goes on without it.
void Complain(const std::string& folder, int error)
{
    if (!g_complained.exchange(true)) {
        std::fprintf(stderr, "pomarel: cannot keep the picture in %s: %s\n", folder.c_str(), std::strerror(error));
    }
}

// The folder, made 0700 where it is missing (its parent too: ~/.cache may not exist yet), open;
// an invalid handle (and errno set) when it cannot be, or is not a folder of this user's.
FileHandle OpenFolder(const std::string& folder)
{
    const std::string parent = std::filesystem::path(folder).parent_path().string();
    if (::mkdir(parent.c_str(), 0700) != 0 && errno != EEXIST) {
        return FileHandle(-1);
    }
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        return FileHandle(-1);
    }
    FileHandle dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {};
    if (!dir || ::fstat(dir.Get(), &st) != 0) {
        return FileHandle(-1);
    }
    if (st.st_uid != ::geteuid()) {
        errno = EPERM;
        return FileHandle(-1);
    }
    if ((st.st_mode & 07777) != 0700 && ::fchmod(dir.Get(), 0700) != 0) {
        return FileHandle(-1);
    }
    return dir;
}

// Removes what PictureCacheFilesToRemove says from the open folder.
void Prune(int dir, const std::string& latest)
{
    const int listed = ::dup(dir);
    DIR* d = listed >= 0 ? ::fdopendir(listed) : nullptr;
    if (d == nullptr) {
        if (listed >= 0) {
            ::close(listed);
        }
        return;
    }
    std::vector<PictureCacheEntry> entries;
    while (const dirent* e = ::readdir(d)) {
        struct stat st {};
        if (::fstatat(dir, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)) {
            entries.push_back({e->d_name, Ns(st.st_mtim)});
        }
    }
    ::closedir(d);
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    for (const std::string& name : PictureCacheFilesToRemove(std::move(entries), kPicturesKept, latest, Ns(now))) {
        ::unlinkat(dir, name.c_str(), 0);
    }
}

}  // namespace

std::optional<PictureCacheKey> PictureCacheKeyOf(std::string_view path, int width, int height)
{
    if (width <= 0 || height <= 0 || path.empty() || Folder().empty()) {
        return std::nullopt;  // without a cache, the hash would be wasted
    }
    const std::string p(path);
    // Opened without waiting and then checked, as the decoder opens it: a pipe would block.
    const FileHandle fd(::open(p.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat before {};
    if (!fd || ::fstat(fd.Get(), &before) != 0 || !S_ISREG(before.st_mode) || before.st_size > kLargestPicture) {
        return std::nullopt;
    }
    PictureCacheKey key;
    std::error_code ec;
    key.path = std::filesystem::absolute(p, ec).string();
    if (ec) {
        return std::nullopt;
    }
    key.size = static_cast<std::int64_t>(before.st_size);
    key.modifiedNs = Ns(before.st_mtim);
    key.changedNs = Ns(before.st_ctim);
    key.inode = static_cast<std::uint64_t>(before.st_ino);
    key.width = width;
    key.height = height;
    // The whole content, a chunk at a time, each chunk's hash the next one's seed.
    std::vector<char> chunk(std::size_t{1} << 20);
    std::int64_t total = 0;
    for (;;) {
        const ssize_t n = ::read(fd.Get(), chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return std::nullopt;
        }
        if (n == 0) {
            break;
        }
        key.contentHash = PictureContentHash(chunk.data(), static_cast<std::size_t>(n), key.contentHash);
        total += n;
        if (total > key.size) {
            return std::nullopt;  // growing while read
        }
    }
    struct stat after {};
    if (total != key.size || ::fstat(fd.Get(), &after) != 0 || Ns(after.st_mtim) != key.modifiedNs ||
        Ns(after.st_ctim) != key.changedNs || after.st_size != before.st_size) {
        return std::nullopt;
    }
    return key;
}

Surface ReadCachedPicture(const PictureCacheKey& key)
{
    const std::string folder = Folder();
    if (folder.empty()) {
        return {};
    }
    const std::string file = folder + "/" + PictureCacheFileName(key);
    const FileHandle fd(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {};
    if (!fd || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return {};
    }
    std::string head(PictureCacheHeaderSize(key), '\0');
    if (!ReadAll(fd.Get(), head.data(), head.size(), 0) ||
        !PictureCacheFileFits(head, static_cast<std::int64_t>(st.st_size), key)) {
        return {};
    }
    Surface pixels(key.width, key.height);
    const std::size_t count = static_cast<std::size_t>(key.width) * static_cast<std::size_t>(key.height);
    if (!ReadAll(fd.Get(), pixels.Data(), count * sizeof(std::uint32_t), static_cast<off_t>(head.size()))) {
        return {};
    }
    // Every pixel opaque, whatever the file held.
    std::uint32_t* data = pixels.Data();
    for (std::size_t i = 0; i < count; ++i) {
        data[i] |= 0xff000000u;
    }
    ::futimens(fd.Get(), nullptr);  // used now: the last to be removed
    ++g_reads;
    return pixels;
}

void WritePictureCache(const PictureCacheKey& key, const Surface& pixels)
{
    if (pixels.Width() != key.width || pixels.Height() != key.height || key.width <= 0 || key.height <= 0) {
        return;
    }
    const std::string folder = Folder();
    if (folder.empty()) {
        return;
    }
    const FileHandle dir = OpenFolder(folder);
    if (!dir) {
        Complain(folder, errno);
        return;
    }
    static std::atomic<std::uint64_t> written{0};
    const std::string name = PictureCacheFileName(key);
    const std::string temp =
        PictureCacheTempName(name, static_cast<std::uint64_t>(::getpid()) << 32 | (written++ & 0xFFFFFFFFu));
    FileHandle out(::openat(dir.Get(), temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!out) {
        Complain(folder, errno);
        return;
    }
    const std::string header = PictureCacheHeader(key);
    const std::size_t bytes = static_cast<std::size_t>(key.width) * static_cast<std::size_t>(key.height) * 4;
    int error = 0;
    if (!WriteAll(out.Get(), header.data(), header.size()) || !WriteAll(out.Get(), pixels.Data(), bytes)) {
        error = errno;
    }
    if (!out.Close() && error == 0) {
        error = errno;
    }
    if (error == 0 && ::renameat(dir.Get(), temp.c_str(), dir.Get(), name.c_str()) != 0) {
        error = errno;
    }
    if (error == 0) {
        Prune(dir.Get(), name);
        return;
    }
    ::unlinkat(dir.Get(), temp.c_str(), 0);
    Complain(folder, error);
}

int CachedPictureReads()
{
    return g_reads.load();
}

namespace platform_seams {

void SetPictureCacheFolder(std::optional<std::string> folder)
{
    const std::lock_guard<std::mutex> hold(FolderLock());
    FolderSetByTest() = std::move(folder);
}

}  // namespace platform_seams
