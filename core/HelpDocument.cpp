#include "core/HelpDocument.h"

#include <array>
#include <utility>

namespace bf::help {

namespace {
constexpr std::uint16_t kDanish = 1030;
constexpr std::uint16_t kNorwegianBokmal = 1044;
constexpr std::uint16_t kSwedish = 1053;
constexpr std::uint16_t kGermanGermany = 1031;
constexpr std::uint16_t kGermanSwitzerland = 2055;

constexpr std::array<std::pair<std::string_view, std::uint16_t>, 5> kLocales{{
    {"sv_SE", kSwedish},
    {"da_DK", kDanish},
    {"nb_NO", kNorwegianBokmal},
    {"de_DE", kGermanGermany},
    {"de_CH", kGermanSwitzerland},
}};
} // namespace

std::uint16_t LanguageIdForLocale(std::string_view localeName) {
    // "de_CH.UTF-8", "de_CH@euro" and "de-CH" all name the same locale.
    localeName = localeName.substr(0, localeName.find_first_of(".@"));
    for (const auto& [name, id] : kLocales) {
        if (localeName.size() != name.size())
            continue;
        bool same = true;
        for (std::size_t i = 0; i < name.size(); ++i)
            same = same && (localeName[i] == name[i] || (name[i] == '_' && localeName[i] == '-'));
        if (same)
            return id;
    }
    return 0;
}

const char* DocumentForLanguage(std::uint16_t languageId) {
    switch (languageId) {
    case kDanish:
    case kNorwegianBokmal:
    case kSwedish:
        return kDocumentSV;
    case kGermanGermany:
    case kGermanSwitzerland:
        return kDocumentDE;
    default:
        return kDocumentEN;
    }
}

std::string FindDocument(const std::string& name, const std::vector<std::string>& folders,
                         const std::function<bool(const std::string&)>& exists) {
    for (const auto& folder : folders) {
        const std::string path = folder.empty() ? name : folder + "/" + name;
        if (exists(path))
            return path;
    }
    return {};
}

} // namespace bf::help
