#include "params/ParameterFile.h"

#include "core/FileUtil.h"
#include "core/SavePath.h"

namespace bf {

std::vector<FileFilter> ParameterFileFilters() {
    return {{kParameterFilterText, kParameterFilterPattern}, {kAllFilesFilterText, kAllFilesFilterPattern}};
}

std::optional<std::string> AskParameterFileToOpen(Host& host) {
    const auto chosen = host.AskOpenFileName(ParameterFileFilters());
    if (!chosen)
        return std::nullopt;
    return WithExpectedExtension(*chosen, kParameterExtension);
}

std::optional<std::string> AskParameterFileToSave(Host& host) {
    const auto chosen = host.AskSaveFileName(ParameterFileFilters());
    if (!chosen)
        return std::nullopt;
    return ConfirmedSavePath(host, *chosen, kParameterExtension);
}

ParameterPieceReader::ParameterPieceReader(const std::string& path)
    : m_file(std::fopen(path.c_str(), "rb")) {}

ParameterPieceReader::~ParameterPieceReader() {
    if (m_file)
        std::fclose(m_file);
}

bool ParameterPieceReader::Next(std::string& piece) {
    piece.clear();
    if (!m_file)
        return false;
    while (piece.size() < kMaxPiece) {
        const int c = std::getc(m_file);
        if (c == EOF)
            break;
        piece.push_back(static_cast<char>(c));
        if (c == '\n')
            break;
    }
    return !piece.empty();
}

} // namespace bf
