#pragma once

#include "fuzz/HostilePort.h"

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace bf::test {

// Replies for a fuzz::HostilePort that a test writes as a function of what the program sent: the
// port number and the bytes of one Write (empty for an Open), giving chunks of bytes with the
// delay after which each arrives. For answers the controller model cannot time, such as a byte
// that comes while the program pauses.
class ScriptedReplies final : public fuzz::ReplySource {
  public:
    using Answer = std::function<fuzz::Reply(int port, const std::vector<std::uint8_t>& written)>;
    explicit ScriptedReplies(Answer answer) : m_answer(std::move(answer)) {}
    fuzz::Reply NextReply(int port, const std::vector<std::uint8_t>& written) override {
        return m_answer(port, written);
    }

  private:
    Answer m_answer;
};

} // namespace bf::test
