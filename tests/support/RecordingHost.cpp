#include "tests/support/RecordingHost.h"

#include <gtest/gtest.h>

namespace bf::test {

void RecordingHost::AppendLog(std::string_view line) {
    log.emplace_back(line);
    logSinceClear.emplace_back(line);
}

void RecordingHost::ClearLog() {
    logSinceClear.clear();
    ++clears;
}

void RecordingHost::UpdateProgress(int percent, int reset) {
    // Every operation resets the display with (0, 1) and shows a percentage p with (p, 0).
    EXPECT_TRUE(reset == 0 || (reset == 1 && percent == 0))
        << "UpdateProgress(" << percent << ", " << reset << ")";
    progress.push_back({percent, reset});
    if (onProgress)
        onProgress(percent, reset);
    // As the window: a changed percentage is shown, then one event-handling step runs.
    const ProgressEstimate::Display shown = m_estimate.Update(percent, reset, m_clock.nowMs());
    if (shown.changed && !shown.reset)
        PumpMessages();
}

std::vector<int> RecordingHost::Shown() const {
    std::vector<int> shown;
    for (const Progress& p : progress)
        shown.push_back(p.reset == 1 ? -1 : p.percent);
    return shown;
}

void RecordingHost::SetProgressRange(int low, int high) {
    progressRanges.emplace_back(low, high);
}

void RecordingHost::SetProgressPos(int pos) {
    progressPositions.push_back(pos);
}

void RecordingHost::PumpMessages() {
    ++pumps;
    m_clock.advance(1);
    if (onPump)
        onPump();
}

void RecordingHost::WaitPumping(std::uint32_t ms) {
    waits.push_back(ms);
    const std::uint32_t start = m_clock.nowMs();
    while (m_clock.nowMs() - start < ms)
        PumpMessages();
}

void RecordingHost::ShowMessageBox(std::string_view text, std::string_view caption, BoxIcon icon) {
    boxes.push_back({std::string(text), std::string(caption), icon});
}

std::optional<std::string> RecordingHost::NextFileAnswer(bool save, const std::vector<FileFilter>& filters) {
    dialogs.push_back({save, filters});
    if (fileAnswers.empty())
        return std::nullopt;
    auto answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

std::optional<std::string> RecordingHost::AskOpenFileName(const std::vector<FileFilter>& filters) {
    return NextFileAnswer(false, filters);
}

std::optional<std::string> RecordingHost::AskSaveFileName(const std::vector<FileFilter>& filters) {
    return NextFileAnswer(true, filters);
}

bool RecordingHost::ConfirmOverwrite(const std::string& path) {
    overwriteQuestions.push_back(path);
    return confirmOverwrite;
}

void RecordingHost::OpenInTextEditor(const std::string& path) {
    editorOpened.push_back(path);
}

void RecordingHost::EnableToolbarButtons(bool open, bool update, bool param) {
    toolbar.push_back({open, update, param});
}

void RecordingHost::SetCounterText(std::string_view text) {
    counterTexts.emplace_back(text);
}

} // namespace bf::test
