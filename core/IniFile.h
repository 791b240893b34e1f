#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace bf {

// A small private-profile (INI) file: section and key names match without regard to case, values
// are read trimmed, and writing a key keeps every other line of the file as it was.
class IniFile {
  public:
    // Reads the file; a missing or unreadable file gives an empty profile.
    static IniFile Load(const std::string& path);
    static IniFile Parse(std::string_view text);

    std::optional<std::string> Get(std::string_view section, std::string_view key) const;
    // Replaces the key's value in place, or appends the key to its section (the section to the file).
    void Set(std::string_view section, std::string_view key, std::string_view value);
    // Every key of a section, in file order.
    std::vector<std::pair<std::string, std::string>> Keys(std::string_view section) const;

    std::string Text() const;
    // Writes a temporary file next to `path` and renames it over the file, so a failed write
    // leaves the old file whole. Returns false when the file could not be written.
    bool Save(const std::string& path) const;

  private:
    std::optional<std::size_t> FindSection(std::string_view section) const;
    std::size_t SectionEnd(std::size_t header) const;

    std::vector<std::string> m_lines;
};

} // namespace bf
