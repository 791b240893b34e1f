#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace bf {

// A small private-profile (INI) file: section and key names match without regard to case, values
// are read trimmed, and writing a key keeps every other line of the file as it was. Reading and
// writing take time in proportion to the file's size.
class IniFile {
  public:
    // Larger files are not read: a settings file never comes near this size.
    static constexpr std::size_t kMaxFileSize = 1 << 20;

    // Reads the file. A missing file gives an empty profile. So does a file that exists but cannot
    // be read whole (no permission, no regular file, larger than kMaxFileSize); such a profile is
    // never saved, since what the file holds is unknown and must not be lost.
    static IniFile Load(const std::string& path);
    static IniFile Parse(std::string_view text);

    std::optional<std::string> Get(std::string_view section, std::string_view key) const;
    // Replaces the key's value in place, or appends the key to its section (the section to the file).
    void Set(std::string_view section, std::string_view key, std::string_view value);
    // Every key of a section, in file order.
    std::vector<std::pair<std::string, std::string>> Keys(std::string_view section) const;

    std::string Text() const;
    // Writes a temporary file next to `path` and renames it over the file, so a failed write
    // leaves the old file whole; creates the folder when it is missing. Writes nothing for a
    // profile that Load could not read, nor over a file that is no regular file or that this user
    // may not write. Returns false when the file was not written.
    bool Save(const std::string& path) const;

  private:
    // The lines of a section's body: from the line after its header to the next header.
    struct Range {
        std::size_t begin;
        std::size_t end;
    };
    std::optional<Range> FindSection(std::string_view section) const;

    std::vector<std::string> m_lines;
    bool m_unreadable = false;
};

} // namespace bf
