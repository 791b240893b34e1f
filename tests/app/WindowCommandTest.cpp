// Commands reach their handlers; the busy shield, closing, failures and the side commands.
#include "serial/CSerialException.h"
#include "tests/app/WindowTestSupport.h"
#include "tool/CommandIds.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QToolButton>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace bf::test {
namespace {

using namespace cmd_id;

bool ToolbarEnabled(CFlashToolDlg& w) {
    bool all = true;
    for (QToolButton* b : w.findChildren<QToolButton*>())
        if (b->property("id").isValid())
            all = all && b->isEnabled();
    return all;
}

TEST_F(WindowTest, EveryOperationCommandRunsItsOperationOnce) {
    for (const auto& [id, name] : kOperationCommands) {
        m_operations.ran.clear();
        Command(id)->trigger();
        EXPECT_EQ(m_operations.ran, std::vector<std::string>{name}) << id;
    }
    EXPECT_TRUE(m_prompter.messages.empty());
}

TEST_F(WindowTest, ParamDropDownItemsRouteLikeTheFileParameterItems) {
    auto* menu = Control<QToolButton>(ToolbarParam)->menu();
    ASSERT_TRUE(menu);
    menu->actions().at(0)->trigger();
    Command(ParamBackup)->trigger();
    menu->actions().at(1)->trigger();
    Command(ParamUpdate)->trigger();
    EXPECT_EQ(m_operations.ran, (std::vector<std::string>{"ParameterBackup", "ParameterBackup",
                                                          "ParameterUpdate", "ParameterUpdate"}));
}

TEST_F(WindowTest, SessionCarriesTheWindowAndItsPortSettings) {
    WriteSettings("[Setup]\nSerialPort=3\nSerialBaudRate=19200\n");
    Session* seen = nullptr;
    int port = -1;
    m_operations.during = [&](Host&, Session* s) {
        seen = s;
        port = s->settings.m_nPort;
        s->settings.m_nPort = 5;
    };
    Command(FileReset)->trigger();
    ASSERT_TRUE(seen);
    EXPECT_EQ(port, 3);
    EXPECT_EQ(Window().Settings().m_nPort, 5);
}

TEST_F(WindowTest, CommandsWithoutHandlerDoNothing) {
    auto& w = Window();
    w.show();
    const std::string logBefore = w.LogText();
    for (int id : {FileClose, FileAbort, ToolbarParam, 57670, 16, 0, -1}) {
        w.OnCommand(id);
        if (id > 0 && id != 57670 && id != 16)
            Command(id)->trigger();
    }
    EXPECT_TRUE(m_operations.ran.empty());
    EXPECT_TRUE(m_prompter.messages.empty());
    EXPECT_EQ(m_prompter.abouts, 0);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.LogText(), logBefore);
    EXPECT_FALSE(w.CloseRequested());
}

TEST_F(WindowTest, EnterAndEscapeNeitherCloseNorCommand) {
    auto& w = Window();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    for (auto key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        QTest::keyClick(&w, key);
        QTest::keyClick(Control<QWidget>(Log), key);
    }
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(m_operations.ran.empty());
    EXPECT_FALSE(w.CloseRequested());
}

TEST_F(WindowTest, SecondOperationDuringAnOperationIsRefusedSideCommandsRun) {
    auto& w = Window();
    int depth = 0;
    m_operations.during = [&](Host&, Session*) {
        if (++depth > 1)
            return;
        EXPECT_TRUE(w.Busy());
        for (const auto& [id, name] : kOperationCommands)
            Command(id)->trigger();
        w.OnCommand(FileClose);
        Command(PriorityHigh)->trigger();
        Command(About)->trigger();
        Command(Baud9600)->trigger();
        Command(DevMgmt)->trigger();
    };
    Command(FileUpdate)->trigger();
    EXPECT_EQ(m_operations.ran, std::vector<std::string>{"UpdateProgram"});
    EXPECT_FALSE(w.PumpFlag());
    EXPECT_EQ(m_prompter.abouts, 1);
    EXPECT_EQ(PortsWindows().size(), 1u);
    EXPECT_EQ(w.Settings().m_nBaudRate, 9600);
    EXPECT_FALSE(w.Busy());
    // The shield lifts when the operation returns.
    Command(FileBackup)->trigger();
    EXPECT_EQ(m_operations.ran.back(), "BackupProgram");
}

TEST_F(WindowTest, CloseDuringAnOperationWritesAtOnceAndClosesWhenItReturns) {
    auto& w = Window();
    w.show();
    std::string fileDuring;
    bool visibleAfterClose = false;
    m_operations.during = [&](Host& host, Session*) {
        host.ClearCloseRequest();
        w.close();
        EXPECT_TRUE(host.CloseRequested());
        fileDuring = ReadSettings();
        visibleAfterClose = w.isVisible();
    };
    Command(FileBackup)->trigger();
    EXPECT_EQ(fileDuring, "[Setup]\nSerialPort=0\nSerialPortAuto=1\nSerialBaudRate=38400\n");
    EXPECT_TRUE(visibleAfterClose);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.result(), QDialog::Rejected);
}

TEST_F(WindowTest, ExitDuringAnOperationClosesWhenItReturns) {
    auto& w = Window();
    w.show();
    m_operations.during = [&](Host&, Session*) {
        Command(FileExit)->trigger();
        EXPECT_TRUE(w.isVisible());
    };
    Command(ParamBackup)->trigger();
    EXPECT_FALSE(w.isVisible());
}

TEST_F(WindowTest, ExitWritesTheSettingsOnceAndEndsTheWindow) {
    auto& w = Window();
    w.show();
    Command(PortCom2)->trigger();
    Command(Baud57600)->trigger();
    Command(FileExit)->trigger();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_TRUE(w.CloseRequested());
    EXPECT_EQ(ReadSettings(), "[Setup]\nSerialPort=2\nSerialPortAuto=0\nSerialBaudRate=57600\n");
    // A later close does not write again.
    WriteSettings("untouched");
    w.close();
    EXPECT_EQ(ReadSettings(), "untouched");
}

TEST_F(WindowTest, FailingOperationEndsSoundly) {
    auto& w = Window();
    m_operations.during = [&](Host& host, Session*) {
        host.EnableToolbarButtons(false, false, false);
        host.UpdateProgress(0, 1);
        host.UpdateProgress(40, 0);
        throw CSerialException(5);
    };
    Command(FileUpdate)->trigger();
    EXPECT_TRUE(ToolbarEnabled(w));
    ASSERT_EQ(m_prompter.messages.size(), 1u);
    EXPECT_EQ(m_prompter.messages[0].caption, "BrenvaldorFlash");
    EXPECT_EQ(m_prompter.messages[0].icon, BoxIcon::Error);
    EXPECT_TRUE(m_prompter.messages[0].text.startsWith("The operation stopped because of an error:\n"));
    EXPECT_EQ(Control<QLabel>(Percent)->text(), "");
    EXPECT_FALSE(w.Busy());

    m_operations.during = [](Host&, Session*) { throw std::runtime_error("disk full"); };
    Command(FileSaveAs)->trigger();
    ASSERT_EQ(m_prompter.messages.size(), 2u);
    EXPECT_EQ(m_prompter.messages[1].text, "The operation stopped because of an error:\ndisk full");
    m_operations.during = [](Host&, Session*) { throw 42; };
    Command(FileReset)->trigger();
    EXPECT_EQ(m_prompter.messages.size(), 3u);
}

TEST_F(WindowTest, PortLeftOpenByAFailureIsClosed) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    WriteSettings(std::string("[Setup]\nSerialPort=1\n[Ports]\nCOM1=") + ::ptsname(master) + "\n");
    auto& w = Window();
    bool openedInside = false;
    m_operations.during = [&](Host&, Session* s) {
        OpenStandard(s->port, s->settings.m_nPort);
        openedInside = s->port.IsOpen();
        throw CSerialException(5);
    };
    Command(FileBackup)->trigger();
    EXPECT_TRUE(openedInside);
    EXPECT_FALSE(w.SerialPort().IsOpen());
    EXPECT_EQ(m_prompter.messages.size(), 1u);
    ::close(master);
}

TEST_F(WindowTest, ToolbarIsEnabledAgainAfterAnOperation) {
    auto& w = Window();
    bool offWhileRunning = false;
    m_operations.during = [&](Host& host, Session*) {
        host.EnableToolbarButtons(false, false, false);
        offWhileRunning = !ToolbarEnabled(w);
        // A click on a disabled button does nothing.
        QTest::mouseClick(Control<QToolButton>(ToolbarUpdate), Qt::LeftButton);
        host.EnableToolbarButtons(true, true, true);
    };
    Command(ParamErase)->trigger();
    EXPECT_TRUE(offWhileRunning);
    EXPECT_TRUE(ToolbarEnabled(w));
    EXPECT_EQ(m_operations.ran, std::vector<std::string>{"EraseParameterBlocks"});
}

TEST_F(WindowTest, ToolbarButtonClickRunsItsCommand) {
    auto& w = Window();
    w.show();
    QTest::mouseClick(Control<QToolButton>(ToolbarOpen), Qt::LeftButton);
    QTest::mouseClick(Control<QToolButton>(ToolbarUpdate), Qt::LeftButton);
    EXPECT_EQ(m_operations.ran, (std::vector<std::string>{"OpenFirmware", "UpdateProgram"}));
}

TEST_F(WindowTest, PriorityMarksAndPumpFlag) {
    auto& w = Window();
    EXPECT_TRUE(Checked(PriorityNormal));
    EXPECT_FALSE(Checked(PriorityHigh));
    EXPECT_TRUE(w.PumpFlag());
    for (int i = 0; i < 2; ++i) {
        Command(PriorityHigh)->trigger();
        EXPECT_FALSE(Checked(PriorityNormal));
        EXPECT_TRUE(Checked(PriorityHigh));
        EXPECT_FALSE(w.PumpFlag());
    }
    Command(PriorityNormal)->trigger();
    EXPECT_TRUE(Checked(PriorityNormal));
    EXPECT_FALSE(Checked(PriorityHigh));
    EXPECT_TRUE(w.PumpFlag());
}

using HelpTest = InFolderWindowTest;

TEST_F(HelpTest, OpensTheDocumentOfTheSystemLanguageFromTheCurrentFolder) {
    // The tests run in the C locale, which gets the English document.
    std::ofstream(m_dir / "BrenvaldorFlashHelp_EN.pdf") << "%PDF";
    std::ofstream(m_dir / "BrenvaldorFlashHelp_DE.pdf") << "%PDF";
    Command(HelpDocument)->trigger();
    ASSERT_EQ(m_prompter.opened.size(), 1u);
    EXPECT_EQ(m_prompter.opened[0], QString::fromStdString((m_dir / "BrenvaldorFlashHelp_EN.pdf").string()));
}

TEST_F(HelpTest, FindsTheDocumentInTheDataFolderBesideTheInstalledProgram) {
    const QDir share(QCoreApplication::applicationDirPath() + "/../share/brenvaldorflash");
    ASSERT_TRUE(share.mkpath("."));
    const QString document = share.absoluteFilePath("BrenvaldorFlashHelp_EN.pdf");
    std::ofstream(document.toStdString()) << "%PDF";
    Command(HelpDocument)->trigger();
    QFile::remove(document);
    ASSERT_EQ(m_prompter.opened.size(), 1u);
    EXPECT_EQ(m_prompter.opened[0], document);
}

TEST_F(HelpTest, MissingDocumentShowsNothing) {
    std::ofstream(m_dir / "BrenvaldorFlashHelp_SV.pdf") << "%PDF";
    Command(HelpDocument)->trigger();
    for (const QString& path : m_prompter.opened)
        EXPECT_FALSE(path.startsWith(QString::fromStdString(m_dir.string()))) << path.toStdString();
    EXPECT_TRUE(m_prompter.messages.empty());
}

} // namespace
} // namespace bf::test
