// libFuzzer target: the settings file on arbitrary bytes, with keys set the way the program sets
// them (names of letters, digits and '_'; values of those and "/.:-").
// Input: a selector byte, a 16-bit length and that many bytes of file, then settings to make:
// a section choice byte, then length-prefixed key, value and section.
// Checks: no crash; a key just set reads back as set; what Save writes, Load reads back to the
// same keys and values in every section; a file Load could not read whole (too large) is never
// saved over.
#include "core/IniFile.h"
#include "fuzz/FuzzInput.h"
#include "fuzz/OperationRun.h"
#include "fuzz/Violation.h"

#include <filesystem>
#include <set>
#include <string>

namespace {

using namespace bf;
using namespace bf::fuzz;

std::string Token(FuzzInput& in, bool valueChars) {
    std::string token;
    for (std::uint8_t b : in.Bytes(in.Byte() % 24)) {
        const char c = static_cast<char>(b);
        const bool name =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        if (name || (valueChars && (c == '/' || c == '.' || c == ':' || c == '-')))
            token.push_back(c);
    }
    return token;
}

// Names that may be sections: what stands between '[' and ']' on a line, trimmed.
std::set<std::string> SectionCandidates(std::string_view text) {
    std::set<std::string> names;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = std::min(text.find('\n', pos), text.size());
        const std::string_view line = text.substr(pos, end - pos);
        const std::size_t open = line.find('[');
        const std::size_t close = line.find(']', open == std::string_view::npos ? 0 : open);
        if (open != std::string_view::npos && close != std::string_view::npos) {
            std::string_view name = line.substr(open + 1, close - open - 1);
            while (!name.empty() && (name.front() == ' ' || name.front() == '\t' || name.front() == '\r'))
                name.remove_prefix(1);
            while (!name.empty() && (name.back() == ' ' || name.back() == '\t' || name.back() == '\r'))
                name.remove_suffix(1);
            names.emplace(name);
        }
        pos = end + 1;
    }
    return names;
}

void CheckUnreadableKept(const std::string& path, const std::string& text, FuzzInput& in) {
    WriteFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
    std::filesystem::resize_file(path, IniFile::kMaxFileSize + 1); // a sparse file too large to read
    const auto before = FileContent(path);
    IniFile file = IniFile::Load(path);
    file.Set("Setup", "SerialPort", Token(in, true));
    Require(!file.Save(path), "a file that could not be read whole was saved over");
    Require(FileContent(path) == before, "a file that could not be read whole was changed");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const std::string path = ScratchFolder() + "/BrenvaldorFlash.ini";
    std::filesystem::remove(path);
    const bool unreadable = in.Byte() % 8 == 0;
    const auto textBytes = in.Bytes(in.Word());
    const std::string text(textBytes.begin(), textBytes.end());
    if (unreadable) {
        CheckUnreadableKept(path, text, in);
        return 0;
    }
    IniFile file = IniFile::Parse(text);
    std::set<std::string> sections = SectionCandidates(text);
    sections.insert({"Setup", "Ports"});
    while (!in.AtEnd()) {
        const std::uint8_t choice = in.Byte();
        const std::string key = Token(in, false);
        const std::string value = Token(in, true);
        std::string section = choice % 3 == 0 ? "Setup" : choice % 3 == 1 ? "Ports" : Token(in, false);
        if (key.empty())
            continue;
        file.Set(section, key, value);
        Require(file.Get(section, key) == value, "a key just set does not read back as set");
        sections.insert(section);
    }
    Require(file.Save(path), "a readable settings file was not saved");
    const IniFile loaded = IniFile::Load(path);
    for (const std::string& section : sections)
        Require(loaded.Keys(section) == file.Keys(section), "a saved section does not load back the same");
    return 0;
}
