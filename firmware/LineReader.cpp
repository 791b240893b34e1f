#include "LineReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace bf {

bool LineReader::Fill() {
    for (;;) {
        const ssize_t n = read(m_fd, m_buffer.data(), m_buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            m_error = errno;
        if (n <= 0)
            return false;
        m_pos = 0;
        m_end = static_cast<std::size_t>(n);
        return true;
    }
}

void LineReader::Carry(const char* data, std::size_t size) {
    const std::size_t take = std::min(size, kKeep - m_carried);
    std::memcpy(m_carry.data() + m_carried, data, take);
    m_carried += take;
}

bool LineReader::Next(Line& line) {
    m_carried = 0;
    std::uint64_t length = 0;
    bool started = false;
    char last = '\0';
    for (;;) {
        if (m_pos == m_end && !Fill()) {
            // End of file: a last line without terminator keeps a carriage return as content.
            if (!started || m_error != 0)
                return false;
            line = {std::string_view(m_carry.data(), m_carried), length, length};
            return true;
        }
        started = true;
        const char* start = m_buffer.data() + m_pos;
        const std::size_t available = m_end - m_pos;
        const auto* newline = static_cast<const char*>(std::memchr(start, '\n', available));
        if (newline == nullptr) {
            Carry(start, available);
            length += available;
            last = start[available - 1];
            m_pos = m_end;
            continue;
        }
        const auto size = static_cast<std::size_t>(newline - start);
        m_pos += size + 1;
        std::string_view text(start, size);
        if (length > 0) {
            // The line began in an earlier buffer fill: it is served from the carried copy.
            Carry(start, size);
            text = std::string_view(m_carry.data(), m_carried);
        }
        length += size;
        if (size > 0)
            last = start[size - 1];
        line.consumed = length + 1;
        if (length > 0 && last == '\r') {
            --length;
            text = text.substr(0, std::min<std::uint64_t>(text.size(), length));
        }
        line.text = text;
        line.length = length;
        return true;
    }
}

} // namespace bf
