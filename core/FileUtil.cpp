#include "core/FileUtil.h"

#include "core/Utf8Text.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace bf {

namespace {

constexpr char kBoxCannotWrite[] = "Cannot write the file \"";
constexpr char kBoxCannotRead[] = "Cannot read the file \"";
constexpr char kErrorMiddle[] = "\":\n";
constexpr char kNotRegularFileReason[] = "Not a regular file (a device, a pipe or a socket)";
constexpr char kFileChangedReason[] = "The file changed while it was read";
// Temporary names stay well below the 255-byte name limit whatever the target's name length.
constexpr std::size_t kMaxTempStem = 200;
constexpr int kTempAttempts = 100;

std::string_view BaseName(std::string_view path) {
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i]))
            return false;
    return true;
}

// A symbolic link is kept: the file it points to is the one replaced.
std::string ResolveLink(std::string path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) == nullptr)
        return path;
    return resolved;
}

// What a rename would replace at a path: its mode (0 when nothing is there), and 0 when it may be
// replaced or the reason why not.
struct Target {
    mode_t mode;
    int error;
};

// A folder, a device, a pipe or a socket is never replaced: the rename would put a plain file in
// its place. Nor is a regular file this user may not write: the rename would go around its
// protection.
Target CheckTarget(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return {0, 0};
    if (S_ISDIR(st.st_mode))
        return {st.st_mode, EISDIR};
    if (!S_ISREG(st.st_mode))
        return {st.st_mode, kNotRegularFile};
    return {st.st_mode, access(path.c_str(), W_OK) == 0 ? 0 : errno};
}

std::string ErrorText(const char* prefix, std::string_view path, int error) {
    std::string text(prefix);
    text.append(path);
    text.append(kErrorMiddle);
    text.append(SystemReason(error));
    return text;
}

} // namespace

std::string_view ExtensionOf(std::string_view path) {
    const std::string_view name = BaseName(path);
    const auto dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
}

bool HasExtension(std::string_view path, std::string_view extension) {
    const auto dot = BaseName(path).rfind('.');
    return dot != std::string_view::npos && EqualNoCase(ExtensionOf(path), extension);
}

std::string WithExpectedExtension(std::string_view path, std::string_view extension) {
    std::string result(path);
    if (!HasExtension(path, extension)) {
        result.push_back('.');
        result.append(extension);
    }
    return result;
}

std::string UpperBaseName(std::string_view path) {
    return UpperUtf8(BaseName(path));
}

bool IsSpecialFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

int ReadRegularFile(const std::string& path, std::size_t maxSize, std::string& content) {
    content.clear();
    // Checked before opening: opening a device can have effects of its own, and a pipe could block.
    if (IsSpecialFile(path))
        return kNotRegularFile;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return errno;
    // One byte beyond the limit tells a file that is too large, without reading all of it.
    content.resize(maxSize + 1);
    std::size_t used = 0;
    int error = 0;
    while (error == 0 && used < content.size()) {
        const ssize_t n = read(fd, content.data() + used, content.size() - used);
        if (n == 0)
            break;
        if (n > 0)
            used += static_cast<std::size_t>(n);
        else if (errno != EINTR)
            error = errno; // also EISDIR for a folder
    }
    close(fd);
    if (error == 0 && used > maxSize)
        error = EFBIG;
    content.resize(error == 0 ? used : 0);
    return error;
}

std::string SystemReason(int error) {
    switch (error) {
    case kNotRegularFile:
        return kNotRegularFileReason;
    case kFileChangedWhileRead:
        return kFileChangedReason;
    default:
        return std::generic_category().message(error);
    }
}

std::string FileWriteErrorText(std::string_view path, int error) {
    return ErrorText(kBoxCannotWrite, path, error);
}

std::string FileReadErrorText(std::string_view path, int error) {
    return ErrorText(kBoxCannotRead, path, error);
}

AtomicFileWriter::AtomicFileWriter(std::string path) : m_path(ResolveLink(std::move(path))) {}

AtomicFileWriter::~AtomicFileWriter() {
    Discard();
}

bool AtomicFileWriter::Fail(int error) {
    if (m_error == 0)
        m_error = error;
    Discard();
    return false;
}

void AtomicFileWriter::Discard() {
    if (m_fd >= 0)
        close(m_fd);
    m_fd = -1;
    if (!m_tempPath.empty() && !m_committed)
        unlink(m_tempPath.c_str());
    m_tempPath.clear();
}

bool AtomicFileWriter::Open() {
    if (m_error != 0 || m_fd >= 0)
        return m_fd >= 0;
    const Target target = CheckTarget(m_path);
    if (target.error != 0)
        return Fail(target.error);

    const std::string folder = FolderOf(m_path);
    const std::string stem = std::string(BaseName(m_path).substr(0, kMaxTempStem));
    static unsigned counter = 0;
    for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
        std::string candidate =
            folder + "/." + stem + "." + std::to_string(getpid()) + "." + std::to_string(++counter) + ".tmp";
        const int fd = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_fd = fd;
            m_tempPath = std::move(candidate);
            if (target.mode != 0)
                fchmod(m_fd, target.mode & 07777);
            return true;
        }
        if (errno != EEXIST)
            return Fail(errno);
    }
    return Fail(EEXIST);
}

bool AtomicFileWriter::Write(const void* data, std::size_t size) {
    if (m_fd < 0)
        return Fail(m_error != 0 ? m_error : EBADF);
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = write(m_fd, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return Fail(written < 0 ? errno : EIO);
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool AtomicFileWriter::Commit() {
    if (m_fd < 0)
        return Fail(m_error != 0 ? m_error : EBADF);
    if (fsync(m_fd) != 0)
        return Fail(errno);
    const int fd = std::exchange(m_fd, -1);
    if (close(fd) != 0)
        return Fail(errno);
    if (const int error = CheckTarget(m_path).error; error != 0)
        return Fail(error);
    if (rename(m_tempPath.c_str(), m_path.c_str()) != 0)
        return Fail(errno);
    m_committed = true;
    return true;
}

int WriteFileAtomically(const std::string& path, const void* data, std::size_t size) {
    AtomicFileWriter writer(path);
    if (writer.Open() && writer.Write(data, size) && writer.Commit())
        return 0;
    return writer.Error();
}

} // namespace bf
