#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bf::cli {

// The closest of `candidates` to a mistyped `word` ("updte" -> "update", "-V" -> "--version"):
// within two edits, or a candidate that starts with the word, dashes and case aside.
std::optional<std::string> Suggestion(std::string_view word, const std::vector<std::string>& candidates);

// The arguments in the order the parser takes them, and what was found on the way.
struct ArrangedArguments {
    std::vector<std::string> args; // without the program name
    std::string subcommand;        // empty when none was named
    std::string error;             // a usage error found before parsing, or empty
};

// Puts options written before the subcommand after it (`--port COM5 update fw.hex` is taken as
// `update --port COM5 fw.hex`), and refuses an unknown subcommand and an option that takes a value
// given twice. `valueOptions` are the options that take a value ("--port"); their values are
// never taken for a subcommand.
ArrangedArguments ArrangeArguments(const std::vector<std::string>& args,
                                   const std::vector<std::string>& subcommands,
                                   const std::vector<std::string>& valueOptions);

} // namespace bf::cli
