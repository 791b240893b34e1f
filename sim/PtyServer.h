#pragma once

#include "sim/ControllerModel.h"

#include <csignal>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace bf::sim {

// Serves a controller model on a pseudo-terminal: what a program writes to the terminal reaches the
// model, and the model's answers come back at their due time. Programs may open and close the
// terminal as often as they like; while nobody has it open, answers are lost as on a real line.
class PtyServer {
  public:
    struct Settings {
        std::string linkPath; // symlink to the terminal, empty for none; must not exist yet
        bool pace = false;    // 11 bits per byte at the line's rate, both ways
        bool rateCheck = true;
    };

    // Throws std::system_error, also when something already exists at the link path.
    PtyServer(ControllerModel& model, Settings settings);
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    const std::string& TerminalPath() const { return m_terminalPath; }

    // Serves until `stop` is set or the model drops the link (then the terminal is closed).
    void Run(const volatile std::sig_atomic_t& stop);

  private:
    struct Pending {
        std::uint64_t dueUs;
        std::uint8_t byte;
        std::uint32_t baud;
    };

    bool OwnsLink() const;
    std::uint64_t NowUs() const;
    std::uint32_t TerminalRate() const;
    int PollTimeoutMs() const;
    bool ReadInput();
    void Hear(const std::uint8_t* bytes, std::size_t count, std::uint64_t atUs);
    void HearDue();
    void Enqueue(const std::vector<Output>& outputs);
    void SendDue();
    void Disconnected();

    ControllerModel& m_model;
    Settings m_settings;
    int m_master = -1;
    std::string m_terminalPath;
    std::deque<Pending> m_pending;
    std::deque<Pending> m_incoming;     // from the program, still on the wire (pacing)
    std::uint64_t m_inLineFreeUs = 0;   // when the last byte from the program is in
    std::vector<std::uint8_t> m_unsent; // due, but the terminal would not take them yet
    std::uint64_t m_lineFreeUs = 0;     // when the line is free again, for pacing
};

} // namespace bf::sim
