#pragma once

#include "core/ByteSource.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace bf {

// The files of this system, as the operations use them. Paths are UTF-8 strings; error numbers are
// errno values on every system (a system with error numbers of its own maps them). Each system
// answers in its own file (FileSystem_posix.cpp, FileSystem_win.cpp); path splitting is the same
// everywhere but for the separators and the drive prefix, which the system tells.

// Reasons of this program's own, beyond the range of errno values; SystemReason (core/FileUtil.h)
// has their texts.
constexpr int kNotRegularFile = 0x10000;       // a device, a pipe or a socket: never read or replaced
constexpr int kFileChangedWhileRead = 0x10001; // the file's length changed while it was read
constexpr int kNameTakenMeanwhile = 0x10002;   // a file took the name while the data was gathered

// --- Path names ---

// True for a character that ends a folder name in a path: '/' (on Windows '\' as well).
bool IsPathSeparator(char c);
// The separator this system writes between the names of a path: '/' (on Windows '\').
char PreferredSeparator();
// The length of the drive prefix of `path`, which belongs to the folder part without ending in a
// separator: "C:" of "C:out.bin" and of "C:\x\out.bin" on Windows; 0 on POSIX systems.
std::size_t DrivePrefixLength(std::string_view path);

// The last component of a path: "/a/b.hex" -> "b.hex", "b.hex" -> "b.hex"; on Windows also
// "C:\x\b.hex" and "C:b.hex" -> "b.hex".
std::string_view BaseName(std::string_view path);
// The folder part of a path: everything before its last component, so that FolderOf(p) + name
// names `name` in the same folder as p. "/a/b" -> "/a/", "/b" -> "/", "b" -> "" (the current
// folder); on Windows "C:\x\out.bin" -> "C:\x\" and "C:out.bin" -> "C:".
std::string_view FolderOf(std::string_view path);

// --- What is at a path ---

enum class FileType {
    Missing, // nothing there, or nothing this user may look at
    Regular,
    Folder,
    Other, // a device, a pipe or a socket
};

// What `path` names, symbolic links followed.
FileType TypeOf(const std::string& path);
// True when something has the name `path`, even a symbolic link that leads nowhere.
bool NameInUse(const std::string& path);
// True when `path` names a symbolic link.
bool IsSymbolicLink(const std::string& path);
// The absolute path of what `path` names, every symbolic link, "." and ".." resolved; `path` itself
// when that fails (nothing is there, say).
std::string CanonicalPath(const std::string& path);

enum class Access { Read, Write };
// 0 when this user may read or write what is at `path` (for a folder: write means create files in
// it), else the errno value why not (ENOENT when nothing is there).
int CheckAccess(const std::string& path, Access access);

// --- Reading and writing ---

// A regular file opened for reading, with the size it had when it was opened. Nothing else is
// opened: a folder fails with EISDIR, and a device, a pipe or a socket with kNotRegularFile
// before any open, since opening a device can have effects of its own (a serial
// adapter raises its control lines) and a pipe could block. Reads are binary.
class InputFile final : public ByteSource {
  public:
    explicit InputFile(const std::string& path);
    ~InputFile() override;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    bool IsOpen() const { return m_handle != kClosed; }
    std::uint64_t Size() const { return m_size; }

    // ByteSource. Error() is also why the file is not open.
    std::size_t Read(void* buffer, std::size_t size) override;
    int Error() const override { return m_error; }

  private:
    static constexpr std::intptr_t kClosed = -1;
    std::intptr_t m_handle = kClosed; // a file descriptor or a HANDLE
    std::uint64_t m_size = 0;
    int m_error = 0;
};

// A file made by Create, open for binary writing; closed (and kept) when destroyed.
class NewFile {
  public:
    NewFile() = default;
    ~NewFile();
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    // Creates the file where nothing has the name yet: 0, or the errno value why not (EEXIST when
    // something has). The file gets the usual permissions for a new file of this user.
    int Create(const std::string& path);
    bool IsOpen() const { return m_handle != kClosed; }
    // Gives the file the access permissions of the file at `path`, as far as the system lets it.
    void TakePermissionsOf(const std::string& path);
    // Writes all `size` bytes: 0, or the errno value of the failure.
    int Write(const void* data, std::size_t size);
    // Puts what was written on the disk itself: 0 or an errno value.
    int Flush();
    // 0, or the errno value when the last of the data could not be stored.
    int Close();

  private:
    static constexpr std::intptr_t kClosed = -1;
    std::intptr_t m_handle = kClosed; // a file descriptor or a HANDLE
};

// Renames `from` onto `to` in one step, replacing a file there: 0 or an errno value.
int ReplaceFile(const std::string& from, const std::string& to);
// Gives the file `from` the name `to` only where nothing has that name yet, in one step, so that
// a file that took the name meanwhile is never replaced: 0, EEXIST when something has the name
// (then `from` is left as it was), or another errno value.
int RenameNoReplace(const std::string& from, const std::string& to);
// Removes the file at `path`, if it can.
void RemoveFile(const std::string& path);

} // namespace bf
