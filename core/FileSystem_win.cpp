#include "core/FileSystem.h"

#include "core/AsciiCase.h"
#include "core/WideText_win.h"

#include <windows.h>
// windows.h names its own ReplaceFileW so; ours is bf::ReplaceFile.
#undef ReplaceFile

#include <array>
#include <cerrno>

namespace bf {

namespace {

// Names that Windows gives to devices in every folder, whatever follows a dot: "NUL", "com1.txt".
constexpr std::array<std::string_view, 6> kDeviceNames = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
constexpr std::array<std::string_view, 2> kNumberedDevices = {"COM", "LPT"};
// The device namespace: "\\.\COM12", "//./PhysicalDrive0".
constexpr std::array<std::string_view, 2> kDevicePrefixes = {"\\\\.\\", "//./"};
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kMaxChunk = 1u << 30;

HANDLE ToHandle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

// The errno value for a Windows error code, so that callers keep one set of reasons.
int ErrnoOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    case ERROR_DIRECTORY:
        return ENOTDIR;
    default:
        return EIO;
    }
}

int LastErrno() {
    return ErrnoOf(GetLastError());
}

// True when `path` names a device rather than a file: the device namespace, or one of the names
// that are devices in every folder (with or without an extension, trailing blanks ignored).
bool IsDeviceName(std::string_view path) {
    for (std::string_view prefix : kDevicePrefixes)
        if (path.substr(0, prefix.size()) == prefix)
            return true;
    std::string_view name = BaseName(path);
    name = name.substr(0, name.find_first_of(".:"));
    while (!name.empty() && name.back() == ' ')
        name.remove_suffix(1);
    for (std::string_view device : kDeviceNames)
        if (EqualNoCase(name, device))
            return true;
    for (std::string_view device : kNumberedDevices)
        if (name.size() == device.size() + 1 && StartsWithNoCase(name, device) && name.back() >= '1' &&
            name.back() <= '9')
            return true;
    return false;
}

// A handle that only looks at what `path` names (symbolic links followed; folders too).
HANDLE OpenToQuery(const std::wstring& path, DWORD access) {
    return CreateFileW(path.c_str(), access, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                       nullptr);
}

// 0 when `access` to what `path` names is granted, else the errno value why not.
int TryOpen(const std::wstring& path, DWORD access) {
    const HANDLE handle = OpenToQuery(path, access);
    if (handle == INVALID_HANDLE_VALUE)
        return LastErrno();
    CloseHandle(handle);
    return 0;
}

} // namespace

bool IsPathSeparator(char c) {
    return c == '/' || c == '\\';
}

char PreferredSeparator() {
    return '\\';
}

std::size_t DrivePrefixLength(std::string_view path) {
    const bool letter =
        !path.empty() && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    return letter && path.size() >= 2 && path[1] == ':' ? 2 : 0;
}

FileType TypeOf(const std::string& path) {
    if (IsDeviceName(path))
        return FileType::Other;
    const std::wstring wide = WideFromUtf8(path);
    const HANDLE handle = OpenToQuery(wide, 0);
    if (handle == INVALID_HANDLE_VALUE) {
        // Held by the system in a way that even a query fails (a paging file): its attributes tell.
        const DWORD attributes = GetFileAttributesW(wide.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return FileType::Missing;
        return attributes & FILE_ATTRIBUTE_DIRECTORY ? FileType::Folder : FileType::Regular;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    FileType type = FileType::Other;
    if (GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info))
        type = info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? FileType::Folder : FileType::Regular;
    CloseHandle(handle);
    return type;
}

bool NameInUse(const std::string& path) {
    return IsDeviceName(path) || GetFileAttributesW(WideFromUtf8(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsSymbolicLink(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(WideFromUtf8(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::string CanonicalPath(const std::string& path) {
    const HANDLE handle = OpenToQuery(WideFromUtf8(path), 0);
    if (handle == INVALID_HANDLE_VALUE)
        return path;
    std::wstring final(MAX_PATH, L'\0');
    DWORD length = GetFinalPathNameByHandleW(handle, final.data(), static_cast<DWORD>(final.size()), 0);
    if (length >= final.size()) {
        final.resize(length);
        length = GetFinalPathNameByHandleW(handle, final.data(), static_cast<DWORD>(final.size()), 0);
    }
    CloseHandle(handle);
    if (length == 0 || length >= final.size())
        return path;
    final.resize(length);
    // The system answers in its long form: "\\?\C:\x" and "\\?\UNC\server\share".
    if (final.starts_with(L"\\\\?\\UNC\\"))
        final.replace(0, 8, L"\\\\");
    else if (final.starts_with(L"\\\\?\\"))
        final.erase(0, 4);
    return Utf8FromWide(final);
}

int CheckAccess(const std::string& path, Access what) {
    if (IsDeviceName(path))
        return kNotRegularFile;
    const std::wstring wide = WideFromUtf8(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return LastErrno();
    if (what == Access::Read)
        return TryOpen(wide, GENERIC_READ);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return TryOpen(wide, FILE_ADD_FILE);
    if (attributes & FILE_ATTRIBUTE_READONLY)
        return EACCES;
    return TryOpen(wide, GENERIC_WRITE);
}

InputFile::InputFile(const std::string& path) {
    if (IsDeviceName(path)) {
        m_error = kNotRegularFile;
        return;
    }
    // A folder opens too (through the backup flag), so that it is told apart from a missing file.
    const HANDLE handle =
        CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        m_error = LastErrno();
        return;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(handle) != FILE_TYPE_DISK)
        m_error = kNotRegularFile;
    else if (!GetFileInformationByHandle(handle, &info))
        m_error = LastErrno();
    else if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        m_error = EISDIR;
    if (m_error != 0) {
        CloseHandle(handle);
        return;
    }
    m_handle = reinterpret_cast<std::intptr_t>(handle);
    m_size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
}

InputFile::~InputFile() {
    if (IsOpen())
        CloseHandle(ToHandle(m_handle));
}

std::size_t InputFile::Read(void* buffer, std::size_t size) {
    if (!IsOpen())
        return 0;
    DWORD read = 0;
    if (!ReadFile(ToHandle(m_handle), buffer, static_cast<DWORD>(std::min<std::size_t>(size, kMaxChunk)),
                  &read, nullptr)) {
        m_error = LastErrno();
        return 0;
    }
    return read;
}

NewFile::~NewFile() {
    Close();
}

int NewFile::Create(const std::string& path) {
    if (IsDeviceName(path))
        return EEXIST;
    const HANDLE handle = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const int error = LastErrno();
        // Windows tells a folder that is a file no other way than a missing one.
        std::string_view folder = FolderOf(path);
        while (folder.size() > DrivePrefixLength(folder) + 1 && IsPathSeparator(folder.back()))
            folder.remove_suffix(1);
        const bool throughFile =
            error == ENOENT && !folder.empty() && TypeOf(std::string(folder)) == FileType::Regular;
        return throughFile ? ENOTDIR : error;
    }
    m_handle = reinterpret_cast<std::intptr_t>(handle);
    return 0;
}

// A new file takes the permissions of its folder, which is where the file it replaces got them
// too; Windows has no mode bits to copy.
void NewFile::TakePermissionsOf(const std::string&) {}

int NewFile::Write(const void* data, std::size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(ToHandle(m_handle), bytes, static_cast<DWORD>(std::min<std::size_t>(size, kMaxChunk)),
                       &written, nullptr))
            return LastErrno();
        if (written == 0)
            return EIO;
        bytes += written;
        size -= written;
    }
    return 0;
}

int NewFile::Flush() {
    return FlushFileBuffers(ToHandle(m_handle)) ? 0 : LastErrno();
}

int NewFile::Close() {
    if (!IsOpen())
        return 0;
    const HANDLE handle = ToHandle(m_handle);
    m_handle = kClosed;
    return CloseHandle(handle) ? 0 : LastErrno();
}

int ReplaceFile(const std::string& from, const std::string& to) {
    const bool moved = MoveFileExW(WideFromUtf8(from).c_str(), WideFromUtf8(to).c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    return moved ? 0 : LastErrno();
}

int RenameNoReplace(const std::string& from, const std::string& to) {
    if (IsDeviceName(to))
        return EEXIST;
    // Without MOVEFILE_REPLACE_EXISTING the move fails where anything has the name.
    const bool moved =
        MoveFileExW(WideFromUtf8(from).c_str(), WideFromUtf8(to).c_str(), MOVEFILE_WRITE_THROUGH);
    return moved ? 0 : LastErrno();
}

void RemoveFile(const std::string& path) {
    DeleteFileW(WideFromUtf8(path).c_str());
}

} // namespace bf
