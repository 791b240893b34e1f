// The window's side of the commands: check marks, the port pane, the end of the dialog, and the
// commands that only a window has. FlashTool decides when each of them runs.
#include "app/CFlashToolDlg.h"

#include "app/Prompter.h"
#include "app/SerialPortsDialog.h"
#include "core/HelpDocument.h"
#include "tool/CommandIds.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>

#ifndef BF_HELP_DIR
#define BF_HELP_DIR "/usr/local/share/brenvaldorflash"
#endif

namespace bf {

namespace {
constexpr char kHelpFolder[] = BF_HELP_DIR;
constexpr char kRelativeHelpFolder[] = "/../share/brenvaldorflash";
} // namespace

void CFlashToolDlg::OpenDroppedFile(const QString& path) {
    // File > Open itself, with the dropped file as the open dialog's answer; the busy shield
    // applies as to the menu command.
    m_droppedFile = path;
    OnCommand(cmd_id::FileOpen);
    m_droppedFile.reset();
}

void CFlashToolDlg::SetChecked(int id, bool checked) {
    m_menuItems.at(id)->setChecked(checked);
}

void CFlashToolDlg::SetPortPaneText(std::string_view text) {
    // The leading tab asks for a centred text; the pane centres it.
    m_portPane->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).mid(1));
    m_portPane->repaint();
}

void CFlashToolDlg::EndDialog(DialogEnd how) {
    done(how == DialogEnd::Ok ? QDialog::Accepted : QDialog::Rejected);
}

void CFlashToolDlg::ShowPortsWindow() {
    // One window, not modal, so a running operation goes on behind it with its waits unchanged.
    // Choosing it again brings it to the front with the ports as they are now.
    if (!m_portsWindow)
        m_portsWindow = std::make_unique<SerialPortsDialog>(m_tool.GetPortMap());
    else
        m_portsWindow->Refresh();
    m_portsWindow->show();
    m_portsWindow->raise();
    m_portsWindow->activateWindow();
}

void CFlashToolDlg::OpenHelpDocument() {
    const char* name =
        help::DocumentForLanguage(help::LanguageIdForLocale(QLocale::system().name().toStdString()));
    // The current folder, the program's own folder, the data folder beside an installed program
    // (wherever its prefix was moved to), and the data folder of the configured prefix.
    const QString programFolder = QCoreApplication::applicationDirPath();
    const std::vector<std::string> folders{
        QDir::currentPath().toStdString(), programFolder.toStdString(),
        QDir(programFolder + kRelativeHelpFolder).absolutePath().toStdString(), kHelpFolder};
    const std::string path = help::FindDocument(
        name, folders, [](const std::string& p) { return QFileInfo(QString::fromStdString(p)).isFile(); });
    // A missing document shows nothing, as no viewer would open.
    if (!path.empty())
        m_prompter.OpenDocument(QString::fromStdString(path));
}

void CFlashToolDlg::ShowAbout() {
    m_prompter.RunAbout();
}

} // namespace bf
