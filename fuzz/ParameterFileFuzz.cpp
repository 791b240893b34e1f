// libFuzzer target: a parameter file of arbitrary bytes read as the update sends it.
// Checks: the pieces are the file cut after each line feed and every 255 bytes, in order and
// whole (carriage returns stay where they are); exactly those of four bytes or more are lines.
#include "fuzz/OperationRun.h"
#include "fuzz/ParameterPieces.h"
#include "fuzz/Violation.h"
#include "params/ParameterFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace bf;
    using namespace bf::fuzz;
    const std::string path = ScratchFolder() + "/pieces.txt";
    const std::vector<std::uint8_t> file(data, data + size);
    WriteFile(path, file);
    const auto expected = ParameterPieces(file);
    ParameterPieceReader reader(path);
    Require(reader.IsOpen(), "the file did not open");
    std::string piece;
    std::size_t count = 0;
    while (reader.Next(piece)) {
        Require(count < expected.size() &&
                    std::vector<std::uint8_t>(piece.begin(), piece.end()) == expected[count],
                "a piece is not the file's next line or 255 bytes");
        Require(ParameterPieceReader::IsParameterLine(piece) == (piece.size() >= kMinParameterLine),
                "a piece taken for a line by another rule than its length");
        ++count;
    }
    Require(count == expected.size(), "the reader stopped before the end of the file");
    return 0;
}
