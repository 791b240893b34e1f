// The Serial ports window beside a parameter backup that runs through the window.
#include "params/ParameterBackup.h"
#include "tests/app/LiveWindow.h"
#include "tests/app/WindowTestSupport.h"
#include "tool/CommandIds.h"

#include <QCoreApplication>
#include <QTableWidget>

namespace bf::test {
namespace {

using namespace cmd_id;

struct BackupRun {
    std::string log;
    std::uint32_t durationMs;
    std::string file;
};

class PortsWindowTest : public InFolderWindowTest {
  protected:
    // A parameter backup in a fresh window; with `openPortsWindow` DevMgmt is chosen at the
    // operation's first pump step, and the run checks that the call came back at once.
    BackupRun RunBackup(bool openPortsWindow) {
        m_window.reset();
        Controller controller(m_clock);
        controller.model.parameterPrintout = "P1=1\r\nP2=2\r\nP3=3\r\n";
        m_prompter.fileAnswer = QString::fromStdString(PathOf("params.txt"));
        m_operations.during = [&](Host& host, Session*) {
            Session s = controller.SessionFor(host, m_clock);
            ParameterBackup(s);
        };
        auto& w = Window();
        w.show();
        if (openPortsWindow)
            QMetaObject::invokeMethod(
                &w, [this] { ChooseDevMgmt(); }, Qt::QueuedConnection);
        const std::uint32_t start = m_clock.nowMs();
        Command(ParamBackup)->trigger();
        m_operations.during = nullptr;
        return {w.LogText(), m_clock.nowMs() - start, ReadFile(PathOf("params.txt"))};
    }

    // A modal window would run its own loop here; the closer then finds it, records it and
    // closes it, so the test fails instead of hanging.
    void ChooseDevMgmt() {
        m_modalCloser.Arm();
        Command(DevMgmt)->trigger();
        m_openAfterDevMgmt = PortsWindows().size();
    }

    bool m_sawModal = false;
    ModalCloser m_modalCloser{m_sawModal};
    std::size_t m_openAfterDevMgmt = 0;
};

TEST_F(PortsWindowTest, RunningOperationGoesOnUnchangedWhileItIsOpen) {
    const BackupRun plain = RunBackup(false);
    const BackupRun beside = RunBackup(true);

    EXPECT_FALSE(m_sawModal);
    EXPECT_EQ(m_openAfterDevMgmt, 1u);
    EXPECT_EQ(beside.log, plain.log);
    EXPECT_EQ(beside.durationMs, plain.durationMs);
    EXPECT_EQ(beside.file, "P1=1\r\nP2=2\r\nP3=3\r\n");
    EXPECT_EQ(beside.file, plain.file);
    EXPECT_NE(plain.log.find("NUMBER OF PARAMETERS 3"), std::string::npos) << plain.log;
    // Still open after the operation, and not modal.
    const auto open = PortsWindows();
    ASSERT_EQ(open.size(), 1u);
    EXPECT_FALSE(open[0]->isModal());
    EXPECT_EQ(open[0]->windowModality(), Qt::NonModal);
}

TEST_F(PortsWindowTest, SecondDevMgmtBringsBackTheOneWindowWithAFreshList) {
    auto& w = Window();
    w.show();
    ChooseDevMgmt();
    const auto first = PortsWindows();
    ASSERT_EQ(first.size(), 1u);
    auto* table = first[0]->findChild<QTableWidget*>(QStringLiteral("portTable"));
    EXPECT_EQ(table->rowCount(), 28);
    for (const bool closeFirst : {false, true}) {
        table->setRowCount(0);
        if (closeFirst)
            first[0]->close();
        w.activateWindow();
        ChooseDevMgmt();
        QCoreApplication::processEvents();
        EXPECT_EQ(PortsWindows(), first) << closeFirst;
        EXPECT_EQ(table->rowCount(), 28) << closeFirst; // the inventory is taken anew
        EXPECT_EQ(QApplication::activeWindow(), first[0]) << closeFirst;
    }
    EXPECT_FALSE(m_sawModal);
}

} // namespace
} // namespace bf::test
