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

bool ParameterPieceReader::Next(std::string& piece) {
    piece.clear();
    while (piece.size() < kMaxPiece) {
        if (m_next == m_end) {
            m_next = 0;
            m_end = m_file.Read(m_buffer.data(), m_buffer.size());
            if (m_end == 0)
                break;
        }
        const char c = m_buffer[m_next++];
        piece.push_back(c);
        if (c == '\n')
            break;
    }
    return !piece.empty();
}

} // namespace bf
