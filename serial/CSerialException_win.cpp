#include "serial/CSerialException.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace bf {

namespace {

// The system's text for a code in the system's default language, without its line end; empty
// when the system has none.
std::string SystemText(std::uint32_t code) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, MAKELANGID(LANG_NEUTRAL, SUBLANG_SYS_DEFAULT), reinterpret_cast<LPSTR>(&text), 0, nullptr);
    if (length == 0 || !text)
        return {};
    std::string found(text, length);
    LocalFree(text);
    while (!found.empty() && (found.back() == '\n' || found.back() == '\r'))
        found.pop_back();
    return found;
}

} // namespace

bool CSerialException::GetErrorMessage(char* buffer, unsigned capacity, unsigned* helpContext) const {
    if (helpContext)
        *helpContext = 0;
    const std::string text = SystemText(m_errorCode);
    if (capacity == 0)
        return !text.empty();
    const std::size_t length = std::min<std::size_t>(text.size(), capacity - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return !text.empty();
}

// Windows' own error numbers are the codes the operations know (2, 5, 87): nothing is translated.
void ThrowSerialException(std::uint32_t code) {
    throw CSerialException(code != 0 ? code : GetLastError());
}

} // namespace bf
