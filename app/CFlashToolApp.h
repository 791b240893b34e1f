#pragma once

namespace bf {

// The application: runs the main window modally and lets the process end when it closes.
class CFlashToolApp {
  public:
    // Always false: no message loop of our own runs after the window.
    bool InitInstance();
};

} // namespace bf
