#pragma once

#include "fuzz/HostilePort.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace bf::fuzz {

// The bytes the program took off the line in one go: every Read between two BytesAvailable calls.
struct ReadGroup {
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint32_t> arrivals; // when each byte had arrived
    std::uint32_t polled = 0;            // the count BytesAvailable reported before the reads
    std::uint32_t readMs = 0;            // when the first of them was read
};

// A command the program sent and what it read before its next command.
struct Exchange {
    std::uint32_t sentMs = 0;
    std::vector<std::uint8_t> sent; // empty for reads before the first command of a session
    std::vector<ReadGroup> groups;

    std::vector<std::uint8_t> Got() const;
    // The first `count` bytes read are there, and each arrived after the command was sent and
    // at most `timeoutMs` (plus the pump step that notices the time-out) after it.
    bool Answered(std::size_t count, std::uint32_t timeoutMs) const;
};

// One attempt to open a port, and what happened on it until it was closed.
struct LineSession {
    int port = 0;
    std::uint32_t baud = 0;
    bool opened = false;
    bool failed = false; // a call on it failed as the script said
    bool closed = false;
    std::vector<Exchange> exchanges;
};

std::vector<LineSession> SessionsOf(const std::vector<WireEvent>& events);

// The exchanges of sessions [from, end) in order, for walking an operation's dialogue.
class ExchangeWalk {
  public:
    ExchangeWalk(const std::vector<LineSession>& sessions, std::size_t from);
    // The next exchange; a rule is broken when there is none.
    const Exchange& Next(const char* rule);
    const Exchange* Peek() const { return m_at < m_all.size() ? m_all[m_at] : nullptr; }
    bool AtEnd() const { return m_at == m_all.size(); }

  private:
    std::vector<const Exchange*> m_all;
    std::size_t m_at = 0;
};

bool Sent(const Exchange& e, std::initializer_list<std::uint8_t> bytes);

} // namespace bf::fuzz
