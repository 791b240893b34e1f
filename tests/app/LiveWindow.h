#pragma once

// Helpers for window tests that run real operations against the controller model on the virtual
// clock, and for answering the window's own modal dialogs from inside their event loops.
#include "link/Session.h"
#include "sim/ControllerModel.h"
#include "sim/SimPort.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

namespace bf::test {

// A controller on COM1 at 38400, behind the simulated port.
struct Controller {
    explicit Controller(Clock& clock) : port(clock) { port.AttachController(1, model); }
    Session SessionFor(Host& host, Clock& clock) { return Session{host, clock, port, settings}; }

    sim::ControllerModel model;
    sim::SimPort port;
    PortSettings settings{1, 38400, 0};
};

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs an action at the next pass of whichever event loop comes first, a modal dialog's own loop
// included; never after the test that owns it.
class NextPass {
  public:
    explicit NextPass(std::function<void()> action) {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, std::move(action));
    }
    void Arm() { m_timer.start(0); }

  private:
    QTimer m_timer;
};

// Closes whatever modal window is open at the next pass and says so in `seen`.
class ModalCloser {
  public:
    explicit ModalCloser(bool& seen)
        : m_pass([&seen] {
              if (QWidget* modal = QApplication::activeModalWidget()) {
                  seen = true;
                  modal->close();
              }
          }) {}
    void Arm() { m_pass.Arm(); }

  private:
    NextPass m_pass;
};

} // namespace bf::test
