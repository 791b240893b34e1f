#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace bf::help {

constexpr char kDocumentEN[] = "BrenvaldorFlashHelp_EN.pdf";
constexpr char kDocumentDE[] = "BrenvaldorFlashHelp_DE.pdf";
constexpr char kDocumentSV[] = "BrenvaldorFlashHelp_SV.pdf";

// The language id of a locale name such as "sv_SE" or "de-CH": the five ids the help table tells
// apart (1053, 1030, 1044, 1031, 2055); every other locale gives 0, which stands for English.
std::uint16_t LanguageIdForLocale(std::string_view localeName);

// The help document for a language id, compared as a whole 16-bit value.
const char* DocumentForLanguage(std::uint16_t languageId);

// The first of folder/name that exists, in the order of `folders`; empty when none does.
std::string FindDocument(const std::string& name, const std::vector<std::string>& folders,
                         const std::function<bool(const std::string&)>& exists);

} // namespace bf::help
