#include "core/FileUtil.h"

#include "core/AsciiCase.h"
#include "core/System.h"
#include "core/Utf8Text.h"

#include <cerrno>
#include <utility>

namespace bf {

namespace {

constexpr char kBoxCannotWrite[] = "Cannot write the file \"";
constexpr char kBoxCannotRead[] = "Cannot read the file \"";
constexpr char kErrorMiddle[] = "\":\n";
constexpr char kNotRegularFileReason[] = "Not a regular file (a device, a pipe or a socket)";
constexpr char kFileChangedReason[] = "The file changed while it was read";
constexpr char kNameTakenReason[] = "Another file took this name while the data was gathered";
constexpr char kDataKeptIn[] = "\nThe data is kept in \"";
// Temporary names stay well below the 255-byte name limit whatever the target's name length.
constexpr std::size_t kMaxTempStem = 200;
constexpr int kTempAttempts = 100;

// A symbolic link is kept: the file it points to is the one replaced.
std::string ResolveLink(std::string path) {
    return IsSymbolicLink(path) ? CanonicalPath(path) : path;
}

// 0 when a rename may replace what is at `path` (or nothing is there), else the reason why not.
// A folder, a device, a pipe or a socket is never replaced: the rename would put a plain file in
// its place. Nor is a regular file this user may not write: the rename would go around its
// protection.
int CheckTarget(const std::string& path) {
    switch (TypeOf(path)) {
    case FileType::Missing:
        return 0;
    case FileType::Folder:
        return EISDIR;
    case FileType::Other:
        return kNotRegularFile;
    default:
        return CheckAccess(path, Access::Write);
    }
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
    return TypeOf(path) == FileType::Other;
}

int ReadRegularFile(const std::string& path, std::size_t maxSize, std::string& content) {
    content.clear();
    InputFile file(path);
    if (!file.IsOpen())
        return file.Error();
    // One byte beyond the limit tells a file that is too large, without reading all of it.
    content.resize(maxSize + 1);
    std::size_t used = 0;
    while (used < content.size()) {
        const std::size_t n = file.Read(content.data() + used, content.size() - used);
        if (n == 0)
            break;
        used += n;
    }
    int error = file.Error();
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
    case kNameTakenMeanwhile:
        return kNameTakenReason;
    default:
        return ErrnoText(error);
    }
}

std::string FileWriteErrorText(std::string_view path, int error) {
    return ErrorText(kBoxCannotWrite, path, error);
}

std::string FileReadErrorText(std::string_view path, int error) {
    return ErrorText(kBoxCannotRead, path, error);
}

AtomicFileWriter::AtomicFileWriter(std::string path, Overwrite overwrite)
    : m_path(ResolveLink(std::move(path))), m_overwrite(overwrite) {}

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
    m_file.Close();
    if (!m_tempPath.empty() && !m_committed)
        RemoveFile(m_tempPath);
    m_tempPath.clear();
}

bool AtomicFileWriter::Open() {
    if (m_error != 0 || m_file.IsOpen())
        return m_file.IsOpen();
    if (const int error = CheckTarget(m_path); error != 0)
        return Fail(error);
    m_targetWasThere = TypeOf(m_path) == FileType::Regular;

    // The temporary file is made in the target's folder, so the rename stays on one file system.
    const std::string prefix = std::string(FolderOf(m_path)) + "." +
                               std::string(BaseName(m_path).substr(0, kMaxTempStem)) + "." +
                               std::to_string(ProcessId()) + ".";
    static unsigned counter = 0;
    for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
        std::string candidate = prefix + std::to_string(++counter) + ".tmp";
        const int error = m_file.Create(candidate);
        if (error == 0) {
            m_tempPath = std::move(candidate);
            m_file.TakePermissionsOf(m_path);
            return true;
        }
        if (error != EEXIST)
            return Fail(error);
    }
    return Fail(EEXIST);
}

bool AtomicFileWriter::Write(const void* data, std::size_t size) {
    if (!m_file.IsOpen())
        return Fail(m_error != 0 ? m_error : EBADF);
    const int error = m_file.Write(data, size);
    return error == 0 || Fail(error);
}

bool AtomicFileWriter::Commit() {
    if (!m_file.IsOpen())
        return Fail(m_error != 0 ? m_error : EBADF);
    const int flushed = m_file.Flush();
    const int closed = m_file.Close();
    if (flushed != 0 || closed != 0)
        return Fail(flushed != 0 ? flushed : closed);
    if (m_overwrite == Overwrite::WhatWasThere && !m_targetWasThere)
        return CommitNewName();
    if (const int error = CheckTarget(m_path); error != 0)
        return Fail(error);
    if (const int error = ReplaceFile(m_tempPath, m_path); error != 0)
        return Fail(error);
    m_committed = true;
    return true;
}

// The target had no file when the writer opened: the temporary file takes the name only while it
// is still free, and is kept when another file took it.
bool AtomicFileWriter::CommitNewName() {
    const int error = RenameNoReplace(m_tempPath, m_path);
    if (error == EEXIST) {
        m_keptPath.swap(m_tempPath);
        return Fail(kNameTakenMeanwhile);
    }
    if (error != 0)
        return Fail(error);
    m_committed = true;
    return true;
}

std::string AtomicFileWriter::ErrorText() const {
    std::string text = FileWriteErrorText(m_path, m_error);
    if (!m_keptPath.empty())
        text += kDataKeptIn + m_keptPath + "\"";
    return text;
}

int WriteFileAtomically(const std::string& path, const void* data, std::size_t size) {
    AtomicFileWriter writer(path, Overwrite::Anything);
    if (writer.Open() && writer.Write(data, size) && writer.Commit())
        return 0;
    return writer.Error();
}

} // namespace bf
