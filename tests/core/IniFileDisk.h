#pragma once

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace bf::test {

inline std::string ReadAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Settings files in a folder of the test's own.
class IniFileDisk : public ::testing::Test {
  protected:
    TempDir m_temp;
    const std::filesystem::path m_dir = m_temp.path();
};

} // namespace bf::test
