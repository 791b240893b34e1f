#include "core/FileSystem.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace bf {

namespace {

int Descriptor(std::intptr_t handle) {
    return static_cast<int>(handle);
}

} // namespace

bool IsPathSeparator(char c) {
    return c == '/';
}

char PreferredSeparator() {
    return '/';
}

std::size_t DrivePrefixLength(std::string_view) {
    return 0;
}

FileType TypeOf(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return FileType::Missing;
    if (S_ISREG(st.st_mode))
        return FileType::Regular;
    return S_ISDIR(st.st_mode) ? FileType::Folder : FileType::Other;
}

bool NameInUse(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

bool IsSymbolicLink(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

std::string CanonicalPath(const std::string& path) {
    const std::unique_ptr<char, decltype(&std::free)> real(realpath(path.c_str(), nullptr), &std::free);
    return real ? std::string(real.get()) : path;
}

int CheckAccess(const std::string& path, Access what) {
    int mode = what == Access::Read ? R_OK : W_OK;
    struct stat st {};
    // A file is made in a folder through its search permission as well.
    if (what == Access::Write && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        mode |= X_OK;
    return access(path.c_str(), mode) == 0 ? 0 : errno;
}

InputFile::InputFile(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        m_error = kNotRegularFile;
        return;
    }
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        m_error = errno;
        return;
    }
    // The size and the type of the file that was opened, whatever has the name by now.
    if (fstat(fd, &st) != 0)
        m_error = errno;
    else if (S_ISDIR(st.st_mode))
        m_error = EISDIR;
    else if (!S_ISREG(st.st_mode))
        m_error = kNotRegularFile;
    if (m_error != 0) {
        close(fd);
        return;
    }
    m_handle = fd;
    m_size = static_cast<std::uint64_t>(st.st_size);
}

InputFile::~InputFile() {
    if (IsOpen())
        close(Descriptor(m_handle));
}

std::size_t InputFile::Read(void* buffer, std::size_t size) {
    if (!IsOpen())
        return 0;
    for (;;) {
        const ssize_t n = read(Descriptor(m_handle), buffer, size);
        if (n >= 0)
            return static_cast<std::size_t>(n);
        if (errno != EINTR) {
            m_error = errno;
            return 0;
        }
    }
}

NewFile::~NewFile() {
    Close();
}

int NewFile::Create(const std::string& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno;
    m_handle = fd;
    return 0;
}

void NewFile::TakePermissionsOf(const std::string& path) {
    struct stat st {};
    if (IsOpen() && stat(path.c_str(), &st) == 0)
        fchmod(Descriptor(m_handle), st.st_mode & 07777);
}

int NewFile::Write(const void* data, std::size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = write(Descriptor(m_handle), bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : EIO;
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

int NewFile::Flush() {
    return fsync(Descriptor(m_handle)) == 0 ? 0 : errno;
}

int NewFile::Close() {
    if (!IsOpen())
        return 0;
    const int fd = Descriptor(m_handle);
    m_handle = kClosed;
    return close(fd) == 0 ? 0 : errno;
}

int ReplaceFile(const std::string& from, const std::string& to) {
    return rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

void RemoveFile(const std::string& path) {
    unlink(path.c_str());
}

} // namespace bf
