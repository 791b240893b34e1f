#pragma once

#include "cli/ProgressLine.h"
#include "core/Clock.h"
#include "core/Host.h"

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace bf::cli {

// The Host of the command line. Log lines go to standard output (or are kept for the JSON
// report), message boxes to standard error as "brenvaldor: error: <text>", progress to one line on
// the terminal. It never asks: file dialogs are answered with the path the command was given, a
// second overwrite question with --force. Ctrl-C is the closing request, and every wait ends on it.
// A failed write to standard output is remembered (OutputError) rather than ending the command.
class ConsoleHost final : public Host {
  public:
    struct Mode {
        bool json = false;          // keep the lines for the report instead of printing them
        bool progress = false;      // draw the progress line on the error stream
        bool quiet = false;         // standard output holds the command's result alone
        bool plainTerminal = false; // a terminal without escape sequences (TERM=dumb)
    };

    ConsoleHost(Clock& clock, std::ostream& out, std::ostream& err, Mode mode);

    void AnswerDialogsWith(std::string path) { m_answer = std::move(path); }
    void AllowOverwrite(bool allowed) { m_allowOverwrite = allowed; }
    // True when the progress line is drawn: standard error is a terminal and --quiet is not given.
    bool OnTerminal() const { return m_progress != nullptr; }
    // Called with the port a port search found, as soon as the search names it.
    void OnPortFound(std::function<void(int port)> call) { m_onPortFound = std::move(call); }
    // From the log line `line` on, the progress line shows frames per second of `total` frames.
    void CountFramesAfter(std::string line, std::int32_t total);

    // The command's result (the port detect found, the summary of info), printed like a log line.
    void Print(std::string_view line);
    // Further output of the command, which --quiet leaves out as it does the log lines.
    void PrintDetail(std::string_view line);
    // "brenvaldor: error: <text>" on the error stream, each line of the text with the prefix; kept
    // for the report's message.
    void Error(std::string_view text);
    // "brenvaldor: <text>" on the error stream, for what is worth knowing but no error.
    void Note(std::string_view text);

    // Every log and output line, without line-end characters.
    const std::vector<std::string>& Lines() const { return m_lines; }
    // Every error of the command, one per line; empty when there was none.
    std::string Message() const;
    // errno of the first failed write to standard output, 0 while every write went through.
    int OutputError() const { return m_outputError; }

    // Host
    void AppendLog(std::string_view line) override;
    void ClearLog() override {} // the terminal and the report keep every line
    void UpdateProgress(int percent, int reset) override;
    void SetProgressRange(int low, int high) override;
    void SetProgressPos(int pos) override;
    void PumpMessages() override;
    void WaitPumping(std::uint32_t ms) override;
    void ShowMessageBox(std::string_view text, std::string_view caption, BoxIcon icon) override;
    std::optional<std::string> AskOpenFileName(const std::vector<FileFilter>& filters) override;
    std::optional<std::string> AskSaveFileName(const std::vector<FileFilter>& filters) override;
    bool ConfirmOverwrite(const std::string& path) override;
    void OpenInTextEditor(const std::string& path) override;
    void EnableToolbarButtons(bool, bool, bool) override {}
    void SetCounterText(std::string_view text) override;
    bool CloseRequested() const override;
    // A Ctrl-C is never forgotten: a command that clears the flag as it starts still stops.
    void ClearCloseRequest() override {}

  private:
    void Keep(std::string_view line, bool shown);
    void WriteLine(std::ostream& stream, std::string_view text);

    Clock& m_clock;
    std::ostream& m_out;
    std::ostream& m_err;
    Mode m_mode;
    std::unique_ptr<ProgressLine> m_progress;
    int m_progressHigh = 0;
    std::string m_frameLine;
    std::int32_t m_frameTotal = 0;
    std::function<void(int)> m_onPortFound;
    std::optional<std::string> m_answer;
    bool m_allowOverwrite = false;
    std::vector<std::string> m_lines;
    std::vector<std::string> m_errors;
    int m_outputError = 0;
};

} // namespace bf::cli
