// Appends 10,000 log lines to a shown main window and prints the time of each 1,000: the figures
// stay flat when appending is linear, and grow with the text when it is not.

#include "bench/app/ShownWindow.h"

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <string>

int main(int argc, char* argv[]) {
    bf::bench::DefaultToOffscreen();
    QApplication app(argc, argv);
    bf::bench::ShownWindow shown;
    bf::CFlashToolDlg& window = shown.window;

    using Clock = std::chrono::steady_clock;
    constexpr int kLines = 10000;
    constexpr int kChunk = 1000;
    const auto start = Clock::now();
    auto chunkStart = start;
    std::printf("lines      chunk ms   per line us\n");
    for (int i = 1; i <= kLines; ++i) {
        window.AppendLog("WRITE FRAME " + std::to_string(i) + " OF 28339 ACKNOWLEDGED");
        if (i % kChunk == 0) {
            QApplication::processEvents(); // paint, as the operations' pumping would
            const auto now = Clock::now();
            const double ms = std::chrono::duration<double, std::milli>(now - chunkStart).count();
            std::printf("%5d  %12.2f  %12.2f\n", i, ms, ms * 1000.0 / kChunk);
            chunkStart = now;
        }
    }
    const double total = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    std::printf("total for %d lines: %.1f ms (%.1f us per line), log text %zu bytes\n", kLines, total,
                total * 1000.0 / kLines, window.LogText().size());
    return 0;
}
