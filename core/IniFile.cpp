#include "core/IniFile.h"

#include "core/AsciiCase.h"
#include "core/FileUtil.h"

#include <cerrno>
#include <filesystem>
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
    std::string text;
    const int error = ReadRegularFile(path, kMaxFileSize, text);
    IniFile file = Parse(text);
    file.m_unreadable = error != 0 && error != ENOENT;
    return file;
}

std::optional<IniFile::Range> IniFile::FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const auto name = SectionName(m_lines[i]);
        if (!name || !EqualNoCase(*name, section))
            continue;
        std::size_t end = i + 1;
        while (end < m_lines.size() && !SectionName(m_lines[end]))
            ++end;
        return Range{i + 1, end};
    }
    return std::nullopt;
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
    const auto body = FindSection(section);
    if (!body)
        return std::nullopt;
    for (std::size_t i = body->begin; i < body->end; ++i) {
        const auto kv = KeyValue(m_lines[i]);
        if (kv && EqualNoCase(kv->first, key))
            return Unquote(kv->second);
    }
    return std::nullopt;
}

std::vector<std::pair<std::string, std::string>> IniFile::Keys(std::string_view section) const {
    std::vector<std::pair<std::string, std::string>> keys;
    const auto body = FindSection(section);
    if (!body)
        return keys;
    for (std::size_t i = body->begin; i < body->end; ++i) {
        if (const auto kv = KeyValue(m_lines[i]))
            keys.emplace_back(std::string(kv->first), Unquote(kv->second));
    }
    return keys;
}

void IniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
    std::string entry(key);
    entry.append("=").append(value);
    const auto body = FindSection(section);
    if (!body) {
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
    for (std::size_t i = body->begin; i < body->end; ++i) {
        const auto kv = KeyValue(m_lines[i]);
        if (kv && EqualNoCase(kv->first, key)) {
            m_lines[i] = entry;
            return;
        }
    }
    // After the section's last non-blank line, so the blank line before the next section stays
    // (the header, never blank, stops the search).
    std::size_t insertAt = body->end;
    while (Trim(m_lines[insertAt - 1]).empty())
        --insertAt;
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insertAt), entry);
}

std::string IniFile::Text() const {
    std::string text;
    for (const auto& line : m_lines)
        text.append(line).push_back('\n');
    return text;
}

bool IniFile::Save(const std::string& path) const {
    if (m_unreadable)
        return false;
    // The path is UTF-8 on every system (on Windows a plain string would be read in the ANSI code page).
    const auto folder = std::filesystem::path(std::u8string(path.begin(), path.end())).parent_path();
    std::error_code ec;
    if (!folder.empty())
        std::filesystem::create_directories(folder, ec);
    const std::string text = Text();
    return WriteFileAtomically(path, text.data(), text.size()) == 0;
}

} // namespace bf
