#include "core/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <system_error>
#include <thread>

#include "core/Worker.h"

#include "core/CodePage.h"

namespace dorvane {

namespace {

// Closes a descriptor on every path out of a function.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() { Close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    // Returns false when the close reports an error (on some file systems the last write fails only here).
    bool Close() {
        if (m_fd < 0) return true;
        const int rc = ::close(m_fd);
        m_fd = -1;
        return rc == 0;
    }

private:
    int m_fd;
};

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// The folder part of a native path, with its separator ("" for a bare file name, "/" for the root).
std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A name of its own for every attempt: process, thread and a counter, so two threads or two processes
// writing into the same folder at once never share a temporary file. Short, so a final name close to the
// file system's length limit still has a temporary name that fits.
std::string TemporaryName(const std::string& folder) {
    static std::atomic<unsigned long long> counter{0};
    const auto thread = std::hash<std::thread::id>{}(std::this_thread::get_id());
    char name[96];
    std::snprintf(name, sizeof name, ".dorvane-%ld-%zx-%llu.part", static_cast<long>(::getpid()), thread,
                  counter.fetch_add(1, std::memory_order_relaxed));
    return folder + name;
}

}  // namespace

std::string NativePath(const Text& path) { return SystemTextToUtf8(path); }

Text CurrentDirectory() {
    std::string buffer(4096, '\0');
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size()) != nullptr) {
            buffer.resize(std::char_traits<char>::length(buffer.c_str()));
            return Utf8ToSystemText(buffer);
        }
        if (errno != ERANGE || buffer.size() > (1u << 20)) return {};
        buffer.resize(buffer.size() * 2);
    }
}

bool CreateDirectory(const Text& path) {
    if (path.empty()) return false;
    const std::string native = NativePath(path);
    if (native.empty()) return false;
    return ::mkdir(native.c_str(), 0777) == 0;
}

StagedFile::~StagedFile() { Discard(); }

void StagedFile::Discard() {
    if (!m_temporary.empty()) ::unlink(m_temporary.c_str());
    m_temporary.clear();
    m_final.clear();
}

bool StagedFile::Failed(int error) {
    m_error = error;
    return false;
}

bool StagedFile::Stage(const Text& path, std::initializer_list<const Bytes*> parts) {
    Discard();
    m_error = 0;
    if (path.empty()) return false;
    const std::string native = NativePath(path);
    if (native.empty() || native.back() == '/') return false;
    const std::string folder = FolderOf(native);

    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary = TemporaryName(folder);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        // A missing folder, no permission, a full disk: nothing was created.
        if (fd < 0 && errno != EEXIST) return Failed(errno);
    }
    FileDescriptor file(fd);
    if (!file.Valid()) return Failed(EEXIST);

    int error = 0;
    for (const Bytes* part : parts) {
        if (part != nullptr && !part->empty() && !WriteAll(file.Get(), part->data(), part->size())) {
            error = errno;
            break;
        }
    }
    if (!file.Close() && error == 0) error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        return Failed(error);
    }
    m_temporary = temporary;
    m_final = native;
    return true;
}

bool StagedFile::Commit() {
    if (m_temporary.empty()) return false;
    // The final name only ever names a complete file: the old one until the rename, the new one after it.
    const bool renamed = ::rename(m_temporary.c_str(), m_final.c_str()) == 0;
    const int error = renamed ? 0 : errno;
    if (renamed) m_temporary.clear();
    Discard();
    return renamed || Failed(error);
}

bool WriteFile(const Text& path, std::initializer_list<const Bytes*> parts) {
    StagedFile file;
    return file.Stage(path, parts) && file.Commit();
}

bool WriteFile(const Text& path, const Bytes& data) { return WriteFile(path, {&data}); }

Bytes ReadFile(const Text& path) {
    if (path.empty()) return {};
    const std::string native = NativePath(path);
    FileDescriptor file(::open(native.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.Valid()) return {};
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return {};
    Bytes data;
    data.reserve(static_cast<size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(file.Get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            return {};
        }
        if (got == 0) break;
        data.append(buffer, static_cast<size_t>(got));
    }
    return data;
}

void Delay(long long milliseconds) {
    if (milliseconds <= 0) {
        std::this_thread::yield();
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

bool StageImageFile(StagedFile& file, const Text& path, const Bytes& bytes) {
    WorkerCheckPoint();
    if (bytes.empty() && HasContent(path)) return false;
    return file.Stage(path, {&bytes});
}

Text SystemErrorText(int error) {
    char buffer[256];
    // The GNU form: the text may be a static one rather than the buffer.
    return Utf8ToSystemText(::strerror_r(error, buffer, sizeof buffer));
}

bool FailsEveryWrite(int error) { return error == ENOSPC || error == EDQUOT || error == EROFS; }

int FolderWriteError(const Text& folder) {
    const std::string native = NativePath(folder);
    struct stat info {};
    if (native.empty() || ::stat(native.c_str(), &info) != 0) return native.empty() ? ENOENT : errno;
    if (!S_ISDIR(info.st_mode)) return ENOTDIR;
    return ::access(native.c_str(), W_OK | X_OK) == 0 ? 0 : errno;
}

bool HasContent(const Text& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(std::filesystem::path(NativePath(path)), error);
    return !error && size > 0;
}

bool WriteImageFile(const Text& path, const Bytes& bytes) {
    StagedFile file;
    return StageImageFile(file, path, bytes) && file.Commit();
}

}  // namespace dorvane
