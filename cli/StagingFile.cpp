#include "cli/StagingFile.h"

#include "core/FileUtil.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <unistd.h>
#include <vector>

namespace bf::cli {

namespace {
constexpr char kStagingName[] = ".brenvaldor-XXXXXX.txt";
constexpr int kSuffixLength = 4; // ".txt"

// The staging name in the target's folder; "/x" gives "/.brenvaldor-...", "x" "./.brenvaldor-...".
std::string StagingTemplate(const std::string& target) {
    const auto slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash);
    return folder + "/" + kStagingName;
}
} // namespace

StagingFile::StagingFile(const std::string& target) {
    std::string name = StagingTemplate(target);
    const int fd = mkstemps(name.data(), kSuffixLength);
    if (fd < 0) {
        m_error = errno;
        return;
    }
    close(fd);
    m_path = name;
}

StagingFile::~StagingFile() {
    if (Created())
        unlink(m_path.c_str());
}

int StagingFile::MoveTo(const std::string& target) {
    std::ifstream in(m_path, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad())
        return EIO;
    return WriteFileAtomically(target, bytes.data(), bytes.size());
}

} // namespace bf::cli
