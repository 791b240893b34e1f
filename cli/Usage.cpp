#include "cli/Usage.h"

#include <algorithm>
#include <map>

namespace bf::cli {

namespace {

constexpr std::size_t kMostEdits = 2;
const std::vector<std::string> kLeaveInFront = {"-h", "--help", "--version"};

// The word without its leading dashes, in lower case.
std::string Bare(std::string_view word) {
    word.remove_prefix(std::min(word.find_first_not_of('-'), word.size()));
    std::string bare(word);
    for (char& c : bare)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return bare;
}

// Levenshtein distance, one row at a time.
std::size_t Edits(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// "--port=COM5" -> "--port".
std::string OptionName(const std::string& token) {
    return token.substr(0, token.find('='));
}

bool Contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

bool IsOption(const std::string& token) {
    return token.size() > 1 && token[0] == '-';
}

// Whether the option takes the next argument as its value.
bool TakesNext(const std::string& token, const std::vector<std::string>& valueOptions) {
    return token.find('=') == std::string::npos && Contains(valueOptions, token);
}

std::string UnknownSubcommand(const std::string& word, const std::vector<std::string>& subcommands) {
    std::string error = "unknown subcommand '" + word + "'";
    if (const auto close = Suggestion(word, subcommands))
        error += "; did you mean '" + *close + "'?";
    return error;
}

// The first value option given more than once, as a usage error; empty when there is none.
std::string RepeatedOption(const std::vector<std::string>& args,
                           const std::vector<std::string>& valueOptions) {
    std::map<std::string, int> seen;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string name = OptionName(args[i]);
        if (!IsOption(args[i]) || !Contains(valueOptions, name))
            continue;
        if (++seen[name] == 2)
            return name + " is given more than once; give it once";
        if (TakesNext(args[i], valueOptions))
            ++i;
    }
    return {};
}

} // namespace

std::optional<std::string> Suggestion(std::string_view word, const std::vector<std::string>& candidates) {
    const std::string bare = Bare(word);
    if (bare.empty())
        return std::nullopt;
    std::optional<std::string> best;
    std::size_t bestEdits = kMostEdits + 1;
    for (const std::string& candidate : candidates) {
        const std::string other = Bare(candidate);
        const std::size_t edits = other.starts_with(bare) ? 0 : Edits(bare, other);
        if (edits < bestEdits) {
            best = candidate;
            bestEdits = edits;
        }
    }
    return best;
}

ArrangedArguments ArrangeArguments(const std::vector<std::string>& args,
                                   const std::vector<std::string>& subcommands,
                                   const std::vector<std::string>& valueOptions) {
    ArrangedArguments arranged{args, {}, RepeatedOption(args, valueOptions)};
    std::size_t at = 0;
    for (; at < args.size(); ++at) {
        if (!IsOption(args[at]))
            break;
        if (TakesNext(args[at], valueOptions))
            ++at;
    }
    if (at >= args.size())
        return arranged;
    if (!Contains(subcommands, args[at])) {
        if (arranged.error.empty())
            arranged.error = UnknownSubcommand(args[at], subcommands);
        return arranged;
    }
    arranged.subcommand = args[at];
    const bool leaveInFront =
        std::any_of(args.begin(), args.begin() + static_cast<std::ptrdiff_t>(at),
                    [](const std::string& token) { return Contains(kLeaveInFront, token); });
    if (at > 0 && !leaveInFront) {
        auto& moved = arranged.args;
        std::rotate(moved.begin(), moved.begin() + static_cast<std::ptrdiff_t>(at),
                    moved.begin() + static_cast<std::ptrdiff_t>(at) + 1);
    }
    return arranged;
}

} // namespace bf::cli
