#include "firmware/LineReader.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace bf {

namespace {

// The first carriage return or line feed in [start, stop), or stop. The C library's memchr is
// the fastest scan there is, but takes one byte: the line feed is looked for first, then the
// carriage return only before it, a window at a time, so that a file of carriage returns alone is
// not scanned to its end for a line feed on every line.
const char* FindLineEnd(const char* start, const char* stop) {
    constexpr std::size_t kWindow = 256;
    for (const char* from = start; from < stop; from += kWindow) {
        const auto span = std::min(kWindow, static_cast<std::size_t>(stop - from));
        const auto* lf = static_cast<const char*>(std::memchr(from, '\n', span));
        const auto* cr = static_cast<const char*>(
            std::memchr(from, '\r', lf ? static_cast<std::size_t>(lf - from) : span));
        if (cr)
            return cr;
        if (lf)
            return lf;
    }
    return stop;
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The other byte of a two-byte line end that starts with `first`.
char PairedEnd(char first) {
    return first == '\r' ? '\n' : '\r';
}

} // namespace

bool LineReader::Fill() {
    const std::size_t n = m_source.Read(m_buffer.data(), m_buffer.size());
    if (n == 0)
        return false;
    m_pos = 0;
    m_end = n;
    m_bytesRead += m_end;
    return true;
}

void LineReader::Carry(const char* data, std::size_t size) {
    const std::size_t take = std::min(size, kKeep - m_carried);
    std::memcpy(m_carry.data() + m_carried, data, take);
    m_carried += take;
}

std::size_t LineReader::TakeIfNext(std::string_view bytes) {
    if (!std::string_view(m_buffer.data() + m_pos, m_end - m_pos).starts_with(bytes))
        return 0;
    m_pos += bytes.size();
    return bytes.size();
}

bool LineReader::Next(Line& line) {
    m_carried = 0;
    std::uint64_t length = 0;
    std::uint64_t consumed = 0;
    bool started = false;
    for (;;) {
        if (m_pos == m_end && !Fill()) {
            // End of file: a last line without line end.
            if (!started || Error() != 0)
                return false;
            line = {std::string_view(m_carry.data(), m_carried), length, consumed};
            return true;
        }
        if (std::exchange(m_atFileStart, false)) {
            consumed += TakeIfNext(kByteOrderMark);
            continue;
        }
        started = true;
        const char* start = m_buffer.data() + m_pos;
        const char* stop = m_buffer.data() + m_end;
        const char* end = FindLineEnd(start, stop);
        const auto size = static_cast<std::size_t>(end - start);
        std::string_view text(start, size);
        if (length > 0 || end + 1 >= stop) {
            // The line began in an earlier buffer fill, or the next fill may overwrite it (the line
            // goes on there, or the second half of its end may be there): it is served from a copy.
            Carry(start, size);
            text = std::string_view(m_carry.data(), m_carried);
        }
        length += size;
        consumed += size;
        m_pos += size;
        if (end == stop)
            continue;
        const char paired = PairedEnd(*end);
        ++m_pos;
        ++consumed;
        if ((m_pos < m_end || Fill()) && m_buffer[m_pos] == paired) {
            ++m_pos;
            ++consumed;
        }
        line = {text, length, consumed};
        return true;
    }
}

} // namespace bf
