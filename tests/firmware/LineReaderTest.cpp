#include "LineReader.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace bf {
namespace {

struct Seen {
    std::string text;
    std::uint64_t length;
    std::uint64_t consumed;
    bool operator==(const Seen&) const = default;
};

std::vector<Seen> ReadAll(const std::string& content) {
    const int fd = memfd_create("lines", 0);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
    lseek(fd, 0, SEEK_SET);
    auto reader = std::make_unique<LineReader>(fd);
    std::vector<Seen> lines;
    LineReader::Line line;
    while (reader->Next(line))
        lines.push_back({std::string(line.text), line.length, line.consumed});
    EXPECT_EQ(reader->Error(), 0);
    close(fd);
    return lines;
}

TEST(LineReader, TerminatorsAndEmptyLines) {
    EXPECT_TRUE(ReadAll("").empty());
    EXPECT_EQ(ReadAll("a\r\n\r\nbc\n\nd"),
              (std::vector<Seen>{{"a", 1, 3}, {"", 0, 2}, {"bc", 2, 3}, {"", 0, 1}, {"d", 1, 1}}));
    // A carriage return is a terminator only together with the line feed.
    EXPECT_EQ(ReadAll("a\rb\r"), (std::vector<Seen>{{"a\rb\r", 4, 4}}));
    EXPECT_EQ(ReadAll("\r\n"), (std::vector<Seen>{{"", 0, 2}}));
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
    const int fd = open("/", O_RDONLY | O_DIRECTORY); // reading a folder fails with EISDIR
    ASSERT_GE(fd, 0);
    LineReader reader(fd);
    LineReader::Line line;
    EXPECT_FALSE(reader.Next(line));
    EXPECT_EQ(reader.Error(), EISDIR);
    close(fd);
}

} // namespace
} // namespace bf
