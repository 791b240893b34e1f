#pragma once

#include <string>
#include <vector>

namespace bf::cli {

// The program's arguments in UTF-8, as the program uses every text (Arguments_posix.cpp,
// Arguments_win.cpp). POSIX systems hand them over as they are; Windows passes main() its ANSI
// code page, which cannot hold every file name, so they are taken from the wide command line, and
// the console is told to show UTF-8.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

} // namespace bf::cli
