#pragma once

#include "core/FileSystem.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace bf {

// The extension of the last path component, without its dot ("" when the name has none).
std::string_view ExtensionOf(std::string_view path);
// True when the name's extension equals `extension` (without dot), compared without regard to case.
bool HasExtension(std::string_view path, std::string_view extension);
// The save-dialog rule: appends "." + extension unless the chosen name already has that extension
// in any case ("a" -> "a.bin", "a.hex" -> "a.hex.bin", "a.BIN" stays).
std::string WithExpectedExtension(std::string_view path, std::string_view extension);
// The last path component in upper case ("/tmp/übung.hex" -> "ÜBUNG.HEX"); a name that is not
// valid UTF-8 is returned byte for byte.
std::string UpperBaseName(std::string_view path);
// The system's text for an errno value, e.g. "No such file or directory", or the text of one of the
// program's own reasons (kNotRegularFile, kFileChangedWhileRead, kNameTakenMeanwhile).
std::string SystemReason(int error);
// True when `path`, or the file a symbolic link there points to, exists and is neither a regular file
// nor a folder: a device, a pipe or a socket, which no command writes or replaces.
bool IsSpecialFile(const std::string& path);
// Reads the whole regular file at `path` (or the one a symbolic link there points to) into
// `content`. Returns 0, or the reason it was not read: errno (ENOENT for a missing file), EISDIR,
// kNotRegularFile for a device, a pipe or a socket (never opened), or EFBIG for a file of more
// than `maxSize` bytes.
int ReadRegularFile(const std::string& path, std::size_t maxSize, std::string& content);
// The box text for a file that could not be written: names the path and the system's reason.
std::string FileWriteErrorText(std::string_view path, int error);
// The box text for a file that could not be read.
std::string FileReadErrorText(std::string_view path, int error);

// What a commit may replace.
enum class Overwrite {
    // The regular file that had the target's name when the writer opened, if any. A file that
    // took the name after that is never replaced: the commit fails and the data stays in the
    // temporary file (KeptPath).
    WhatWasThere,
    // Whatever regular file has the name by the commit (the settings file).
    Anything,
};

// Writes a file whole or not at all: the bytes go to a temporary file in the target's folder, which
// replaces the target only on Commit. Until then (and after any failure) the target is untouched, and
// the temporary file is removed when the writer is destroyed without a successful Commit, unless a
// file took the target's name meanwhile (then it is kept, see Overwrite).
// Every call after a failure fails again with the first error; Error() gives its errno value.
class AtomicFileWriter {
  public:
    explicit AtomicFileWriter(std::string path, Overwrite overwrite = Overwrite::WhatWasThere);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Creates the temporary file. Fails for a missing folder, a folder or an existing target that
    // cannot be written, or a target that is no regular file (a folder, a device, a pipe, a socket).
    bool Open();
    bool Write(const void* data, std::size_t size);
    // Flushes the data to the disk, then renames the temporary file onto the target: after a crash
    // the target holds either its old or its new content, never a part. The target is checked
    // again first, since it may have changed while the data was gathered.
    bool Commit();

    int Error() const { return m_error; }
    // The path that is written: the target, or the file a symbolic link target points to.
    const std::string& Path() const { return m_path; }
    // The temporary file that holds the data after a file took the target's name meanwhile; empty
    // otherwise.
    const std::string& KeptPath() const { return m_keptPath; }
    // The box text of the failure: FileWriteErrorText, and where the data is kept if it is.
    std::string ErrorText() const;

  private:
    bool Fail(int error);
    void Discard();
    bool CommitNewName();

    std::string m_path;
    std::string m_tempPath;
    std::string m_keptPath;
    NewFile m_file;
    Overwrite m_overwrite;
    bool m_targetWasThere = false;
    int m_error = 0;
    bool m_committed = false;
};

// Writes `size` bytes to `path` through an AtomicFileWriter that replaces whatever regular file is
// there; returns 0 or the errno of the failure.
int WriteFileAtomically(const std::string& path, const void* data, std::size_t size);

} // namespace bf
