#pragma once

#include "core/FileSystem.h"
#include "core/Host.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace bf {

// Texts shared by the parameter commands.
constexpr char kParameterFilterText[] = "Brenvaldor parameters (*.txt)";
constexpr char kParameterFilterPattern[] = "*.txt";
constexpr char kAllFilesFilterText[] = "All files (*.*)";
constexpr char kAllFilesFilterPattern[] = "*.*";
constexpr char kParameterExtension[] = "txt";

// The filter list of every parameter file dialog.
std::vector<FileFilter> ParameterFileFilters();

// Asks for a parameter file to read (Edit, Update) and applies the ".txt" rule. nullopt: cancelled.
std::optional<std::string> AskParameterFileToOpen(Host& host);
// Asks for a parameter file to write (Backup) and applies the ".txt" rule. The dialog confirmed the
// name as chosen; when ".txt" was appended and that file exists, the host asks again about the
// final name. nullopt: cancelled or not confirmed.
std::optional<std::string> AskParameterFileToSave(Host& host);

// Reads a parameter file in the pieces it is sent in: up to and including the next line feed, at
// most 255 bytes. Only pieces of four bytes or more are parameter lines; shorter ones (blank lines,
// stray line ends) are skipped by the callers.
class ParameterPieceReader {
  public:
    static constexpr std::size_t kMaxPiece = 255;
    static constexpr std::size_t kMinParameterLine = 4;

    explicit ParameterPieceReader(const std::string& path) : m_file(path) {}

    bool IsOpen() const { return m_file.IsOpen(); }
    // The next piece, or false at the end of the file (or when it could not be opened).
    bool Next(std::string& piece);

    static bool IsParameterLine(const std::string& piece) { return piece.size() >= kMinParameterLine; }

  private:
    static constexpr std::size_t kBufferSize = 4096;

    InputFile m_file; // binary, a regular file only, its name UTF-8 on every system
    std::array<char, kBufferSize> m_buffer{};
    std::size_t m_next = 0;
    std::size_t m_end = 0;
};

} // namespace bf
