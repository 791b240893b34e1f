#include "IniFile.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace bf {

namespace {

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if (std::tolower(ca) != std::tolower(cb))
            return false;
    }
    return true;
}

// "[name]" -> name; nullopt for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
    const auto t = Trim(line);
    if (t.size() < 2 || t.front() != '[')
        return std::nullopt;
    const auto close = t.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return Trim(t.substr(1, close - 1));
}

// "key=value" -> (key, value), trimmed; comments and lines without '=' give nullopt.
std::optional<std::pair<std::string_view, std::string_view>> KeyValue(std::string_view line) {
    const auto t = Trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '[')
        return std::nullopt;
    const auto eq = t.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    return std::make_pair(Trim(t.substr(0, eq)), Trim(t.substr(eq + 1)));
}

// A value in matching quotes is read without them, as the private-profile functions do.
std::string Unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return std::string(v);
}

std::string ResolveTarget(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_symlink(path, ec)) {
        auto target = std::filesystem::canonical(path, ec);
        if (!ec)
            return target.string();
    }
    return path;
}

} // namespace

IniFile IniFile::Parse(std::string_view text) {
    IniFile file;
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        auto line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        file.m_lines.emplace_back(line);
        pos = end + 1;
    }
    return file;
}

IniFile IniFile::Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::ostringstream text;
    text << in.rdbuf();
    return Parse(text.str());
}

std::optional<std::size_t> IniFile::FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const auto name = SectionName(m_lines[i]);
        if (name && EqualNoCase(*name, section))
            return i;
    }
    return std::nullopt;
}

std::size_t IniFile::SectionEnd(std::size_t header) const {
    std::size_t i = header + 1;
    while (i < m_lines.size() && !SectionName(m_lines[i]))
        ++i;
    return i;
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
    const auto header = FindSection(section);
    if (!header)
        return std::nullopt;
    for (std::size_t i = *header + 1; i < SectionEnd(*header); ++i) {
        const auto kv = KeyValue(m_lines[i]);
        if (kv && EqualNoCase(kv->first, key))
            return Unquote(kv->second);
    }
    return std::nullopt;
}

std::vector<std::pair<std::string, std::string>> IniFile::Keys(std::string_view section) const {
    std::vector<std::pair<std::string, std::string>> keys;
    const auto header = FindSection(section);
    if (!header)
        return keys;
    for (std::size_t i = *header + 1; i < SectionEnd(*header); ++i) {
        if (const auto kv = KeyValue(m_lines[i]))
            keys.emplace_back(std::string(kv->first), Unquote(kv->second));
    }
    return keys;
}

void IniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
    std::string entry(key);
    entry.append("=").append(value);
    auto header = FindSection(section);
    if (!header) {
        while (!m_lines.empty() && Trim(m_lines.back()).empty())
            m_lines.pop_back();
        if (!m_lines.empty())
            m_lines.emplace_back();
        std::string sectionHeader = "[";
        sectionHeader.append(section).append("]");
        m_lines.push_back(std::move(sectionHeader));
        m_lines.push_back(entry);
        return;
    }
    const std::size_t end = SectionEnd(*header);
    for (std::size_t i = *header + 1; i < end; ++i) {
        const auto kv = KeyValue(m_lines[i]);
        if (kv && EqualNoCase(kv->first, key)) {
            m_lines[i] = entry;
            return;
        }
    }
    // After the section's last non-blank line, so the blank line before the next section stays.
    std::size_t insertAt = end;
    while (insertAt > *header + 1 && Trim(m_lines[insertAt - 1]).empty())
        --insertAt;
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insertAt), entry);
}

std::string IniFile::Text() const {
    std::string text;
    for (const auto& line : m_lines)
        text += line + "\n";
    return text;
}

bool IniFile::Save(const std::string& path) const {
    const std::string target = ResolveTarget(path);
    const auto folder = std::filesystem::path(target).parent_path();
    std::error_code ec;
    if (!folder.empty())
        std::filesystem::create_directories(folder, ec);
    std::string temp = target + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    const std::string text = Text();
    bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    // mkstemp creates the file private; keep the old file's mode, else the usual one.
    struct stat old {};
    if (ok)
        ::chmod(temp.c_str(), ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);
    if (!ok || std::rename(temp.c_str(), target.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

} // namespace bf
