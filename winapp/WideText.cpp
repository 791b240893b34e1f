#include "winapp/WideText.h"

#include "tool/TextDecoding.h"

#include <windows.h>

namespace bf::win {

std::wstring Widen(std::string_view utf8) {
    if (utf8.empty())
        return {};
    const int size = static_cast<int>(utf8.size());
    const int count = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring text(static_cast<std::size_t>(count), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, text.data(), count);
    return text;
}

std::string Narrow(std::wstring_view utf16) {
    if (utf16.empty())
        return {};
    const int size = static_cast<int>(utf16.size());
    const int count = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(count), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, text.data(), count, nullptr, nullptr);
    return text;
}

std::wstring DecodedText(std::string_view bytes) {
    const std::u16string text = DecodeTextToUtf16(bytes);
    return std::wstring(text.begin(), text.end());
}

} // namespace bf::win
