#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <system_error>
#include <vector>

namespace bf::test {

// A fresh folder under the system's temporary folder, for this user alone, removed with everything
// in it at the end.
class TempDir {
  public:
    TempDir() {
        namespace fs = std::filesystem;
        std::random_device random;
        do
            m_path = fs::temp_directory_path() / ("bf-test-" + std::to_string(random()));
        while (!fs::create_directory(m_path));
        fs::permissions(m_path, fs::perms::owner_all);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string operator/(const std::string& name) const { return (m_path / name).string(); }
    const std::filesystem::path& path() const { return m_path; }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(m_path))
            names.push_back(e.path().filename().string());
        return names;
    }

  private:
    std::filesystem::path m_path;
};

// A test with a folder of its own; one class for every file of a test suite.
struct TempDirTest : ::testing::Test {
    TempDir dir;
};

} // namespace bf::test
