#include "cli/ConsoleHost.h"

#include "cli/Interrupt.h"
#include "link/PortSearch.h"

#include <algorithm>
#include <cerrno>

namespace bf::cli {

namespace {
constexpr char kErrorPrefix[] = "brenvaldor: error: ";
constexpr char kNotePrefix[] = "brenvaldor: ";
// Longest sleep of a fixed wait between two looks at Ctrl-C.
constexpr std::uint32_t kWaitSliceMs = 20;

// The log pane draws no carriage return inside a line (a parameter line ends in "\r "); neither
// does the terminal, where it would return to the start of the line, nor the report.
std::string WithoutLineEnds(std::string_view text) {
    std::string shown(text);
    std::erase_if(shown, [](char c) { return c == '\r' || c == '\n'; });
    return shown;
}
} // namespace

ConsoleHost::ConsoleHost(Clock& clock, std::ostream& out, std::ostream& err, Mode mode)
    : m_clock(clock), m_out(out), m_err(err), m_mode(mode) {
    if (mode.progress)
        m_progress = std::make_unique<ProgressLine>(err, !mode.plainTerminal);
}

void ConsoleHost::CountFramesAfter(std::string line, std::int32_t total) {
    m_frameLine = std::move(line);
    m_frameTotal = total;
}

void ConsoleHost::WriteLine(std::ostream& stream, std::string_view text) {
    if (m_progress)
        m_progress->Clear();
    errno = 0;
    stream << text << '\n' << std::flush;
    if (!stream && &stream == &m_out && m_outputError == 0)
        m_outputError = errno != 0 ? errno : EIO;
}

void ConsoleHost::Keep(std::string_view line, bool shown) {
    m_lines.push_back(WithoutLineEnds(line));
    if (shown && !m_mode.json)
        WriteLine(m_out, m_lines.back());
}

void ConsoleHost::Print(std::string_view line) {
    Keep(line, true);
}

void ConsoleHost::PrintDetail(std::string_view line) {
    Keep(line, !m_mode.quiet);
}

void ConsoleHost::Error(std::string_view text) {
    m_errors.emplace_back(text);
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string_view::npos; start = end + 1)
        WriteLine(m_err, kErrorPrefix + std::string(text.substr(start, end - start)));
    WriteLine(m_err, kErrorPrefix + std::string(text.substr(start)));
}

void ConsoleHost::Note(std::string_view text) {
    WriteLine(m_err, kNotePrefix + std::string(text));
}

std::string ConsoleHost::Message() const {
    std::string message;
    for (const std::string& e : m_errors)
        message += (message.empty() ? "" : "\n") + e;
    return message;
}

void ConsoleHost::AppendLog(std::string_view line) {
    PrintDetail(line);
    if (const auto port = FoundPortOf(line); port && m_onPortFound)
        m_onPortFound(*port);
    if (m_progress && m_frameTotal > 0 && line == m_frameLine)
        m_progress->CountFramesFromNextReset(m_frameTotal);
}

void ConsoleHost::UpdateProgress(int percent, int reset) {
    if (m_progress)
        m_progress->Update(percent, reset, m_clock.nowMs());
}

void ConsoleHost::SetProgressRange(int, int high) {
    m_progressHigh = high;
}

void ConsoleHost::SetProgressPos(int pos) {
    if (m_progress)
        m_progress->ShowSearch(pos, m_progressHigh);
}

void ConsoleHost::PumpMessages() {
    ThrowIfInterrupted();
}

void ConsoleHost::WaitPumping(std::uint32_t ms) {
    const std::uint32_t start = m_clock.nowMs();
    for (std::uint32_t elapsed = 0; elapsed < ms; elapsed = ElapsedMs(m_clock, start)) {
        ThrowIfInterrupted();
        m_clock.sleepMs(std::min(kWaitSliceMs, ms - elapsed));
    }
}

void ConsoleHost::ShowMessageBox(std::string_view text, std::string_view, BoxIcon) {
    Error(text);
}

std::optional<std::string> ConsoleHost::AskOpenFileName(const std::vector<FileFilter>&) {
    return m_answer;
}

std::optional<std::string> ConsoleHost::AskSaveFileName(const std::vector<FileFilter>&) {
    return m_answer;
}

bool ConsoleHost::ConfirmOverwrite(const std::string&) {
    return m_allowOverwrite;
}

void ConsoleHost::OpenInTextEditor(const std::string&) {}

void ConsoleHost::SetCounterText(std::string_view text) {
    if (m_progress)
        m_progress->SetCounter(text);
}

bool ConsoleHost::CloseRequested() const {
    return InterruptRequested();
}

} // namespace bf::cli
