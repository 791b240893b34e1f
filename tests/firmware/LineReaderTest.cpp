#include "firmware/LineReader.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace bf {
namespace {

struct Seen {
    std::string text;
    std::uint64_t length;
    std::uint64_t consumed;
    bool operator==(const Seen&) const = default;
};

void PrintTo(const Seen& seen, std::ostream* os) {
    *os << ::testing::PrintToString(seen.text) << " length " << seen.length << " consumed " << seen.consumed;
}

std::vector<Seen> ReadAll(const std::string& content) {
    MemorySource source(content);
    auto reader = std::make_unique<LineReader>(source);
    std::vector<Seen> lines;
    LineReader::Line line;
    while (reader->Next(line))
        lines.push_back({std::string(line.text), line.length, line.consumed});
    EXPECT_EQ(reader->Error(), 0);
    return lines;
}

TEST(LineReader, TerminatorsAndEmptyLines) {
    EXPECT_TRUE(ReadAll("").empty());
    EXPECT_EQ(ReadAll("a\r\n\r\nbc\n\nd"),
              (std::vector<Seen>{{"a", 1, 3}, {"", 0, 2}, {"bc", 2, 3}, {"", 0, 1}, {"d", 1, 1}}));
    EXPECT_EQ(ReadAll("\r\n"), (std::vector<Seen>{{"", 0, 2}}));
}

TEST(LineReader, EveryLineEndFormSplitsAlike) {
    for (const std::string end : {"\n", "\r\n", "\r", "\n\r"}) {
        SCOPED_TRACE(::testing::PrintToString(end));
        const std::uint64_t n = end.size();
        EXPECT_EQ(ReadAll("a" + end + end + "bc" + end + "d"),
                  (std::vector<Seen>{{"a", 1, 1 + n}, {"", 0, n}, {"bc", 2, 2 + n}, {"d", 1, 1}}));
    }
    // Two ends of the same kind are two line ends; mixed forms pair only CR with LF.
    EXPECT_EQ(ReadAll("a\r\rb\n\nc\r\n\rd"),
              (std::vector<Seen>{
                  {"a", 1, 2}, {"", 0, 1}, {"b", 1, 2}, {"", 0, 1}, {"c", 1, 3}, {"", 0, 1}, {"d", 1, 1}}));
}

TEST(LineReader, ByteOrderMarkIsSkippedOnlyAtTheStart) {
    const std::string bom = "\xEF\xBB\xBF";
    EXPECT_EQ(ReadAll(bom + "S3\n" + bom + "x\n"), (std::vector<Seen>{{"S3", 2, 6}, {bom + "x", 4, 5}}));
    EXPECT_TRUE(ReadAll(bom).empty());
    EXPECT_EQ(ReadAll("\xEF\xBBS3"), (std::vector<Seen>{{"\xEF\xBBS3", 4, 4}}));
}

TEST(LineReader, LineEndsAreFoundAtAnyDistance) {
    // Lines as long as the scan's steps and around them, then a second line, in every line-end
    // form; the carriage return before a line feed further on ends the line first.
    for (const std::string end : {"\n", "\r", "\r\n", "\n\r"}) {
        for (std::size_t length : {0, 1, 7, 8, 9, 255, 256, 257, 511, 512, 513, 1000}) {
            SCOPED_TRACE(::testing::Message() << ::testing::PrintToString(end) << " after " << length);
            const std::string line(length, 'x');
            const std::uint64_t n = end.size();
            EXPECT_EQ(ReadAll(line + end + "ab" + end),
                      (std::vector<Seen>{{line, length, length + n}, {"ab", 2, 2 + n}}));
        }
    }
    const std::string before(300, 'y');
    EXPECT_EQ(ReadAll(before + "\r" + std::string(100, 'z') + "\n"),
              (std::vector<Seen>{{before, 300, 301}, {std::string(100, 'z'), 100, 101}}));
}

TEST(LineReader, LinesAcrossBufferFills) {
    const std::size_t size = LineReader::kBufferSize;
    // The first line ends just before the buffer's end; the second starts there and crosses it,
    // and its carriage return is the buffer's last byte.
    const std::string first(size - 7, 'x');
    const std::string second = "S3ABC";
    const auto lines = ReadAll(first + "\n" + second + "\r\n" + "tail\n");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].length, size - 7);
    EXPECT_EQ(lines[1], (Seen{second, 5, 7}));
    EXPECT_EQ(lines[2], (Seen{"tail", 4, 5}));
}

TEST(LineReader, LineEndPairSplitByABufferFillIsOneLineEnd) {
    const std::size_t size = LineReader::kBufferSize;
    for (const std::string end : {"\r\n", "\n\r"}) {
        SCOPED_TRACE(::testing::PrintToString(end));
        // The line and the first half of its end fill the buffer exactly; the second half comes
        // with the next fill.
        const std::string first(size - 1, 'x');
        const auto lines = ReadAll(first + end + "S3" + end[0] + "y");
        ASSERT_EQ(lines.size(), 3u);
        EXPECT_EQ(lines[0].text, first.substr(0, LineReader::kKeep));
        EXPECT_EQ(lines[0].consumed, size + 1);
        EXPECT_EQ(lines[1], (Seen{"S3", 2, 3}));
        EXPECT_EQ(lines[2], (Seen{"y", 1, 1}));
    }
}

TEST(LineReader, HugeLineKeepsItsStartAndFullLength) {
    std::string huge = "S3" + std::string(5'000'000, '7');
    huge[LineReader::kKeep - 1] = 'E';
    const auto lines = ReadAll("first\n" + huge + "\r\nlast");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].text, huge.substr(0, LineReader::kKeep));
    EXPECT_EQ(lines[1].length, huge.size());
    EXPECT_EQ(lines[1].consumed, huge.size() + 2);
    EXPECT_EQ(lines[2], (Seen{"last", 4, 4}));
}

TEST(LineReader, ReportsAReadError) {
    MemorySource source("", EISDIR); // as reading a folder fails
    LineReader reader(source);
    LineReader::Line line;
    EXPECT_FALSE(reader.Next(line));
    EXPECT_EQ(reader.Error(), EISDIR);
}

} // namespace
} // namespace bf
