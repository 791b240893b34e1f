#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace bf::fuzz {

// A parameter file as it is sent, read plainly: pieces up to and including a line feed, at most
// 255 bytes each; the last piece is what is left.
inline std::vector<std::vector<std::uint8_t>> ParameterPieces(const std::vector<std::uint8_t>& file) {
    constexpr std::size_t kMaxPiece = 255;
    std::vector<std::vector<std::uint8_t>> pieces;
    std::vector<std::uint8_t> piece;
    for (std::uint8_t b : file) {
        piece.push_back(b);
        if (b == '\n' || piece.size() == kMaxPiece) {
            pieces.push_back(piece);
            piece.clear();
        }
    }
    if (!piece.empty())
        pieces.push_back(piece);
    return pieces;
}

// Only pieces of four bytes or more (their line end included) are parameter lines.
constexpr std::size_t kMinParameterLine = 4;

} // namespace bf::fuzz
