#pragma once

// Finds the texts a user reads in the log and in message boxes, straight from the program's sources.
//
// The naming rule, kept by the code: every byte-exact text of a log line or a message box is a
// `constexpr char` array (also `static` or `inline`) whose name starts with
//   kLog     a log line, or the fixed part or the printf format of one,
//   kStatus  a port status that a log line of the port search shows,
//   kBox     a message box's text, caption or question (a Qt "%1" may stand in it).
// Nothing else is named so. Calls that write the log or show a box take their texts only from such
// constants (CallsOutsideTheRule finds the exceptions).
#include <string>
#include <vector>

namespace bf::docs {

struct SourceText {
    std::string name;  // kLogChecksumOk
    std::string value; // the text with its escapes resolved
    std::string file;  // firmware/FlashUpdate.cpp, relative to the source root
};

// The named texts of one source file's contents.
std::vector<SourceText> NamedTexts(const std::string& source, const std::string& file);

// The named texts of every .cpp and .h file below `folders` of `root`, in a fixed order.
std::vector<SourceText> NamedTextsBelow(const std::string& root, const std::vector<std::string>& folders);

// Calls of AppendLog, (Show)MessageBox, ShowMessage and AskYesNo in `source` that use a string literal or
// a `k...` constant not named by the rule (other than those in `allowed`), one line each for a report.
std::vector<std::string> CallsOutsideTheRule(const std::string& source, const std::string& file,
                                             const std::vector<std::string>& allowed);

// A pattern that finds `text` in a guide: blanks match any white space, a line break also " / "
// (the guide's way of writing a box's lines on one line), a printf or Qt placeholder (%d, %s, %1)
// any example value on the same line; leading and trailing blanks are not part of it.
std::string GuidePattern(const std::string& text);

} // namespace bf::docs
