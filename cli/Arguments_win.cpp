#include "cli/Arguments.h"

#include "core/WideText_win.h"

#include <windows.h>

#include <shellapi.h>

namespace bf::cli {

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    SetConsoleOutputCP(CP_UTF8);
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr || count != argc) {
        // The runtime split the line otherwise: its own arguments are the safer answer.
        LocalFree(wide);
        return std::vector<std::string>(argv, argv + argc);
    }
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i)
        arguments.push_back(Utf8FromWide(wide[i]));
    LocalFree(wide);
    return arguments;
}

} // namespace bf::cli
