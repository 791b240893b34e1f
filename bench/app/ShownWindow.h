#pragma once

#include "app/CFlashToolDlg.h"
#include "app/QtPrompter.h"
#include "tool/ModuleOperations.h"

#include <QApplication>

namespace bf::bench {

// The main window as the program shows it, with no settings file; offscreen unless the caller's
// environment names a platform. Make the QApplication first.
struct ShownWindow {
    ShownWindow() {
        window.show();
        QApplication::processEvents();
    }

    QtPrompter prompter;
    ModuleOperations operations;
    SteadyClock clock;
    CFlashToolDlg window{prompter, operations, clock, "/nonexistent/BrenvaldorFlash.ini"};
};

inline void DefaultToOffscreen() {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

} // namespace bf::bench
