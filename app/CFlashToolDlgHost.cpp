// What the operations use from the main window: log, progress, waiting, boxes and file dialogs.
#include "app/CFlashToolDlg.h"

#include "app/FileFilters.h"
#include "app/Prompter.h"
#include "app/TextDecoding.h"
#include "core/PumpingWait.h"

#include <QAbstractEventDispatcher>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QToolButton>
#include <algorithm>
#include <utility>

namespace bf {

namespace {
constexpr char kLineEnd[] = "\r\n";

// Only the log's own line ends break lines in the pane. A carriage return inside a line (a
// parameter line sent with its CR LF shows "...\r ") stays in m_strLog but is not drawn, as a
// plain edit control would not start a new line for it either.
QString PaneText(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.remove(QLatin1Char('\r'));
    return text;
}
} // namespace

void CFlashToolDlg::AppendLog(std::string_view line) {
    // m_strLog keeps the exact bytes; the pane gets the new line decoded on its own. A log emptied
    // since the last line holds only this line now, so the pane shows just that.
    m_strLog.append(line);
    m_strLog.append(kLineEnd);
    const QString shown = PaneText(DecodeText(line));
    if (m_logRewritePending) {
        m_logRewritePending = false;
        m_editLog->setPlainText(shown);
    } else {
        m_editLog->appendPlainText(shown);
    }
    QScrollBar* bar = m_editLog->verticalScrollBar();
    bar->setValue(bar->maximum());
}

void CFlashToolDlg::ClearLog() {
    m_strLog.clear();
    m_logRewritePending = true;
}

void CFlashToolDlg::UpdateProgress(int percent, int reset) {
    const ProgressEstimate::Display d = m_progressEstimate.Update(percent, reset, m_clock.nowMs());
    if (!d.changed)
        return;
    if (d.reset) {
        m_progress->setRange(0, 100);
        m_progress->setValue(0);
        m_staticPercent->clear();
        m_staticTimeLeft->clear();
        return;
    }
    m_staticPercent->setText(QString::fromStdString(d.percentText));
    // Values outside the range (a long parameter printout passes 100) hold the bar at its end;
    // the text shows the value itself.
    m_progress->setValue(std::clamp(d.barPos, m_progress->minimum(), m_progress->maximum()));
    m_staticTimeLeft->setText(QString::fromStdString(d.timeLeftText));
    PumpMessages();
}

void CFlashToolDlg::SetProgressRange(int low, int high) {
    m_progress->setRange(low, high);
}

void CFlashToolDlg::SetProgressPos(int pos) {
    m_progress->setValue(pos);
}

// Handles the events that are pending, without waiting for any; true if there were some.
bool CFlashToolDlg::PumpStep() {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    return dispatcher && dispatcher->processEvents(QEventLoop::AllEvents);
}

// One step and back: the callers' own waits sleep while there is nothing to do.
void CFlashToolDlg::PumpMessages() {
    if (m_tool.PumpFlag())
        PumpStep();
}

void CFlashToolDlg::WaitPumping(std::uint32_t ms) {
    WaitHandlingEvents(m_clock, ms, [this] { return PumpStep(); });
}

void CFlashToolDlg::ShowMessageBox(std::string_view text, std::string_view caption, BoxIcon icon) {
    const QString title =
        caption.empty() ? QString::fromLatin1(FlashTool::kApplicationTitle) : DecodeText(caption);
    m_prompter.ShowMessage(this, DecodeText(text), title, icon);
}

std::optional<std::string> CFlashToolDlg::ChosenFile(const std::optional<QString>& chosen) {
    if (!chosen)
        return std::nullopt;
    // The chosen folder becomes the current folder, where the next dialog starts.
    QDir::setCurrent(QFileInfo(*chosen).absolutePath());
    return QFile::encodeName(*chosen).toStdString();
}

std::optional<std::string> CFlashToolDlg::AskOpenFileName(const std::vector<FileFilter>& filters) {
    if (m_droppedFile)
        return ChosenFile(std::exchange(m_droppedFile, std::nullopt));
    return ChosenFile(m_prompter.AskOpenFileName(this, QtNameFilters(filters)));
}

std::optional<std::string> CFlashToolDlg::AskSaveFileName(const std::vector<FileFilter>& filters) {
    return ChosenFile(m_prompter.AskSaveFileName(this, QtNameFilters(filters)));
}

bool CFlashToolDlg::ConfirmOverwrite(const std::string& path) {
    const std::string shownPath = QFile::decodeName(path.c_str()).toStdString();
    return m_prompter.AskYesNo(this, QString::fromStdString(FlashTool::OverwriteQuestion(shownPath)),
                               QString::fromLatin1(FlashTool::kApplicationTitle));
}

void CFlashToolDlg::OpenInTextEditor(const std::string& path) {
    m_prompter.OpenDocument(QFile::decodeName(path.c_str()));
}

void CFlashToolDlg::EnableToolbarButtons(bool open, bool update, bool param) {
    m_toolButtons[0]->setEnabled(open);
    m_toolButtons[1]->setEnabled(update);
    m_toolButtons[2]->setEnabled(param);
}

void CFlashToolDlg::SetCounterText(std::string_view text) {
    m_staticCounter->setText(DecodeText(text));
}

} // namespace bf
