#pragma once

#include <string>

namespace bf::cli {

// An empty file beside a target (in its folder, named ".brenvaldor-XXXXXX.txt") for an operation
// to write first. It replaces the target only through MoveTo, and is removed when destroyed.
class StagingFile {
  public:
    explicit StagingFile(const std::string& target);
    ~StagingFile();
    StagingFile(const StagingFile&) = delete;
    StagingFile& operator=(const StagingFile&) = delete;

    bool Created() const { return !m_path.empty(); }
    int Error() const { return m_error; } // errno when it could not be created
    const std::string& Path() const { return m_path; }

    // Writes the staged bytes to `target` whole or not at all; 0, or the errno of the failure.
    int MoveTo(const std::string& target);

  private:
    std::string m_path;
    int m_error = 0;
};

} // namespace bf::cli
