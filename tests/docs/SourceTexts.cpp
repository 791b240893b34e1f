#include "tests/docs/SourceTexts.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace bf::docs {

namespace {

namespace fs = std::filesystem;

const char* const kRulePrefixes[] = {"kLog", "kStatus", "kBox"};
const char* const kCalls[] = {"AppendLog", "MessageBox", "ShowMessageBox", "ShowMessage", "AskYesNo"};

bool FollowsTheRule(const std::string& name) {
    return std::any_of(std::begin(kRulePrefixes), std::end(kRulePrefixes), [&name](const char* prefix) {
        return name.rfind(prefix, 0) == 0 && name.size() > std::string(prefix).size() &&
               std::isupper(static_cast<unsigned char>(name[std::string(prefix).size()]));
    });
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The characters of one literal's body, its escapes resolved.
std::string Unescape(const std::string& body) {
    std::string text;
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (body[i] != '\\' || i + 1 == body.size()) {
            text += body[i];
            continue;
        }
        const char e = body[++i];
        switch (e) {
        case 'n':
            text += '\n';
            break;
        case 'r':
            text += '\r';
            break;
        case 't':
            text += '\t';
            break;
        case 'x': {
            int value = 0;
            while (i + 1 < body.size() && HexValue(body[i + 1]) >= 0)
                value = value * 16 + HexValue(body[++i]);
            text += static_cast<char>(value);
            break;
        }
        default:
            text += e; // \" \' \\ and the like stand for themselves
        }
    }
    return text;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int LineOf(const std::string& source, std::size_t offset) {
    return 1 + static_cast<int>(std::count(source.begin(), source.begin() + static_cast<long>(offset), '\n'));
}

// The argument text of the call whose opening parenthesis is at `open`, string literals included.
std::string Arguments(const std::string& source, std::size_t open) {
    int depth = 0;
    for (std::size_t i = open; i < source.size(); ++i) {
        const char c = source[i];
        if (c == '"' || c == '\'') {
            for (++i; i < source.size() && source[i] != c; ++i)
                if (source[i] == '\\')
                    ++i;
            continue;
        }
        if (c == '(')
            ++depth;
        if (c == ')' && --depth == 0)
            return source.substr(open + 1, i - open - 1);
    }
    return source.substr(open + 1);
}

const std::regex& LiteralPattern() {
    static const std::regex literal(R"re("((?:[^"\\]|\\.)*)")re");
    return literal;
}

} // namespace

std::vector<SourceText> NamedTexts(const std::string& source, const std::string& file) {
    static const std::regex constant(
        R"re(constexpr\s+char\s+(k[A-Za-z0-9_]+)\s*\[\s*\]\s*=\s*((?:"(?:[^"\\]|\\.)*"\s*)+);)re");
    std::vector<SourceText> texts;
    for (auto it = std::sregex_iterator(source.begin(), source.end(), constant); it != std::sregex_iterator();
         ++it) {
        const std::string name = (*it)[1];
        if (!FollowsTheRule(name))
            continue;
        const std::string literals = (*it)[2];
        std::string value;
        for (auto lit = std::sregex_iterator(literals.begin(), literals.end(), LiteralPattern());
             lit != std::sregex_iterator(); ++lit)
            value += Unescape((*lit)[1]);
        texts.push_back({name, value, file});
    }
    return texts;
}

std::vector<SourceText> NamedTextsBelow(const std::string& root, const std::vector<std::string>& folders) {
    std::vector<fs::path> files;
    for (const std::string& folder : folders)
        for (const auto& entry : fs::recursive_directory_iterator(fs::path(root) / folder))
            if (entry.is_regular_file() &&
                (entry.path().extension() == ".cpp" || entry.path().extension() == ".h"))
                files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::vector<SourceText> texts;
    for (const fs::path& path : files) {
        const auto found = NamedTexts(ReadFile(path), fs::relative(path, root).generic_string());
        texts.insert(texts.end(), found.begin(), found.end());
    }
    return texts;
}

std::vector<std::string> CallsOutsideTheRule(const std::string& source, const std::string& file,
                                             const std::vector<std::string>& allowed) {
    static const std::regex identifier(R"(\bk[A-Z][A-Za-z0-9_]*)");
    std::vector<std::string> findings;
    for (const char* call : kCalls) {
        const std::regex start(std::string(R"(\b)") + call + R"(\s*\()");
        for (auto it = std::sregex_iterator(source.begin(), source.end(), start);
             it != std::sregex_iterator(); ++it) {
            const std::size_t open = static_cast<std::size_t>(it->position() + it->length() - 1);
            const std::string args = Arguments(source, open);
            const std::string where = file + ":" + std::to_string(LineOf(source, open)) + ": " + call + ": ";
            for (auto lit = std::sregex_iterator(args.begin(), args.end(), LiteralPattern());
                 lit != std::sregex_iterator(); ++lit) {
                const std::string body = (*lit)[1];
                if (std::any_of(body.begin(), body.end(),
                                [](char c) { return std::isalpha(static_cast<unsigned char>(c)); }))
                    findings.push_back(where + "a text written in place: \"" + body + "\"");
            }
            for (auto id = std::sregex_iterator(args.begin(), args.end(), identifier);
                 id != std::sregex_iterator(); ++id) {
                const std::string name = id->str();
                if (!FollowsTheRule(name) && std::find(allowed.begin(), allowed.end(), name) == allowed.end())
                    findings.push_back(where + name + " is not named kLog..., kStatus... or kBox...");
            }
        }
    }
    return findings;
}

std::string GuidePattern(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    const std::string t = text.substr(first, last - first + 1);
    static const std::regex placeholder(R"(^%(?:\d|[-+ 0#]*\d*(?:\.\d+)?(?:hh|h|ll|l|z|j|t)?[diouxXcsp]))");
    std::string pattern;
    for (std::size_t i = 0; i < t.size();) {
        const char c = t[i];
        std::smatch m;
        const std::string rest = t.substr(i);
        if (c == '%' && i + 1 < t.size() && t[i + 1] == '%') {
            pattern += '%';
            i += 2;
        } else if (c == '%' && std::regex_search(rest, m, placeholder)) {
            pattern += "[^\\n]+?";
            i += static_cast<std::size_t>(m.length());
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            bool lineBreak = false;
            for (; i < t.size() && std::isspace(static_cast<unsigned char>(t[i])); ++i)
                lineBreak = lineBreak || t[i] == '\n';
            pattern += lineBreak ? "(?:\\s*/\\s*|\\s+)" : "\\s+";
        } else {
            if (std::string("\\^$.|?*+()[]{}/").find(c) != std::string::npos)
                pattern += '\\';
            pattern += c;
            ++i;
        }
    }
    return pattern;
}

} // namespace bf::docs
