// The main window's state and command rules without a window: routing, the busy shield, recovery
// from a failure, and the settings file, with a recorded front end and a simulated port.
#include "tool/FlashTool.h"

#include "serial/CSerialException.h"
#include "sim/SimPort.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/RecordingOperations.h"
#include "tests/support/TempDir.h"
#include "tool/CommandIds.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <utility>

namespace bf::test {
namespace {

using namespace cmd_id;

class RecordingFrontEnd final : public FrontEnd {
  public:
    std::map<int, bool> checked;
    std::vector<std::string> paneTexts;
    std::vector<DialogEnd> ends;
    std::vector<std::string> calls; // the window-only commands, by name
    std::function<void()> onCall;   // runs inside each of them

    void SetChecked(int id, bool on) override { checked[id] = on; }
    void SetPortPaneText(std::string_view text) override { paneTexts.emplace_back(text); }
    void EndDialog(DialogEnd how) override { ends.push_back(how); }
    void ShowPortsWindow() override { Call("ShowPortsWindow"); }
    void OpenHelpDocument() override { Call("OpenHelpDocument"); }
    void ShowAbout() override { Call("ShowAbout"); }

  private:
    void Call(const std::string& name) {
        calls.push_back(name);
        if (onCall)
            onCall();
    }
};

class FlashToolTest : public ::testing::Test {
  protected:
    FlashToolTest() {
        auto port = std::make_unique<sim::SimPort>(m_clock);
        m_port = port.get();
        m_port->AttachSilentLine(1);
        m_tool = std::make_unique<FlashTool>(m_host, m_frontEnd, m_operations, m_clock, m_settingsPath,
                                             std::move(port));
    }

    void WriteSettings(const std::string& text) { std::ofstream(m_settingsPath, std::ios::binary) << text; }
    std::string ReadSettings() const {
        std::ifstream in(m_settingsPath, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // The marks of the Port and baud items that are set, in command-id order.
    std::vector<int> MarkedPortItems() const {
        std::vector<int> marked;
        for (int id : {PortAuto, PortCom1, PortCom2, PortCom3, PortCom4, PortCom5, PortCom6, Baud9600,
                       Baud19200, Baud38400, Baud57600})
            if (m_frontEnd.checked.at(id))
                marked.push_back(id);
        return marked;
    }

    TempDir m_dir;
    std::string m_settingsPath = m_dir / "BrenvaldorFlash.ini";
    VirtualClock m_clock;
    RecordingHost m_host{m_clock};
    RecordingFrontEnd m_frontEnd;
    RecordingOperations m_operations;
    sim::SimPort* m_port = nullptr;
    std::unique_ptr<FlashTool> m_tool;
};

struct Route {
    int id;
    const char* effect; // the operation or window command it runs; "" for none
    bool operation;     // one at a time, shielded
};

const Route kRoutes[] = {
    {FileOpen, "OpenFirmware", true},
    {ToolbarOpen, "OpenFirmware", true},
    {FileSaveAs, "SaveFirmwareAs", true},
    {FileBackup, "BackupProgram", true},
    {FileUpdate, "UpdateProgram", true},
    {ToolbarUpdate, "UpdateProgram", true},
    {FileReset, "ResetController", true},
    {ParamBackup, "ParameterBackup", true},
    {PopupParamBackup, "ParameterBackup", true},
    {ParamUpdate, "ParameterUpdate", true},
    {PopupParamUpdate, "ParameterUpdate", true},
    {ParamEdit, "ParameterEdit", true},
    {ParamErase, "EraseParameterBlocks", true},
    {DevMgmt, "ShowPortsWindow", false},
    {HelpDocument, "OpenHelpDocument", false},
    {About, "ShowAbout", false},
    {FileClose, "", false},
    {FileAbort, "", false},
    {ToolbarParam, "", false},
    {16, "", false},
    {57670, "", false},
};

std::string Effects(const RecordingOperations& ops, const RecordingFrontEnd& frontEnd) {
    std::string effects;
    for (const std::string& name : ops.ran)
        effects += name;
    for (const std::string& name : frontEnd.calls)
        effects += name;
    return effects;
}

TEST_F(FlashToolTest, EveryCommandRunsItsOperationOrWindowCommandAndOperationsOneAtATime) {
    m_tool->Start();
    std::string sideEffects; // what the commands that are no operation do
    for (const Route& r : kRoutes) {
        m_operations.ran.clear();
        m_frontEnd.calls.clear();
        m_tool->OnCommand(r.id);
        EXPECT_EQ(Effects(m_operations, m_frontEnd), r.effect) << r.id;
        EXPECT_EQ(FlashTool::IsOperationCommand(r.id), r.operation) << r.id;
        if (!r.operation)
            sideEffects += r.effect;
    }
    // Inside an operation every command comes again: only those that are no operation run.
    m_operations.ran.clear();
    m_frontEnd.calls.clear();
    bool inside = false;
    m_operations.during = [&](Host&, Session*) {
        EXPECT_TRUE(m_tool->Busy());
        EXPECT_FALSE(std::exchange(inside, true)) << "a second operation ran inside the first";
        for (const Route& r : kRoutes)
            m_tool->OnCommand(r.id);
    };
    m_tool->OnCommand(FileUpdate);
    EXPECT_EQ(Effects(m_operations, m_frontEnd), "UpdateProgram" + sideEffects);
    EXPECT_FALSE(m_tool->Busy());
    EXPECT_TRUE(m_host.boxes.empty());
    EXPECT_TRUE(m_frontEnd.ends.empty());
    EXPECT_FALSE(m_tool->CloseRequested());
}

TEST_F(FlashToolTest, StartShowsTheFileChoicesWithTheCentringTabAtPriorityNormal) {
    WriteSettings("[Setup]\nSerialPort=3\nSerialBaudRate=19200\n");
    m_tool->Start();
    EXPECT_EQ(MarkedPortItems(), (std::vector<int>{PortCom3, Baud19200}));
    EXPECT_EQ(m_frontEnd.paneTexts.back(), "\tCOM3:19200");
    EXPECT_TRUE(m_frontEnd.checked.at(PriorityNormal));
    EXPECT_FALSE(m_frontEnd.checked.at(PriorityHigh));
    EXPECT_TRUE(m_tool->PumpFlag());
    EXPECT_EQ(m_tool->Settings().m_bAutoPort, 0);
    // A port choice shows at once.
    m_tool->OnCommand(PortCom4);
    EXPECT_EQ(MarkedPortItems(), (std::vector<int>{PortCom4, Baud19200}));
    EXPECT_EQ(m_frontEnd.paneTexts.back(), "\tCOM4:19200");
    m_tool->OnCommand(PortAuto);
    EXPECT_EQ(MarkedPortItems(), (std::vector<int>{PortAuto, Baud19200}));
    EXPECT_EQ(m_frontEnd.paneTexts.back(), "\tAUTO:19200");
}

TEST_F(FlashToolTest, SessionsUseThePortGivenInsteadOfTheSystemOne) {
    WriteSettings("[Ports]\nCOM1=/dev/elsewhere\n");
    m_tool->Start();
    EXPECT_EQ(&m_tool->SerialPort(), m_port);
    EXPECT_EQ(m_tool->GetPortMap().DevicePath(1), "/dev/elsewhere");
    Port* used = nullptr;
    m_operations.during = [&](Host&, Session* s) { used = &s->port; };
    m_tool->OnCommand(FileReset);
    EXPECT_EQ(used, m_port);
}

TEST_F(FlashToolTest, CloseDuringAnOperationWaitsForItsEndThenEndsTheDialogOnce) {
    m_tool->Start();
    bool mayEnd = true;
    m_operations.during = [&](Host&, Session* s) {
        s->settings.m_nPort = 4; // found by the port search
        mayEnd = m_tool->RequestClose();
        EXPECT_TRUE(m_frontEnd.ends.empty());
        EXPECT_TRUE(m_tool->CloseRequested());
        EXPECT_EQ(ReadSettings(), "[Setup]\nSerialPort=0\nSerialPortAuto=1\nSerialBaudRate=38400\n");
        // The close forgets the port the search found, also for the operation still running.
        EXPECT_EQ(s->settings.m_nPort, 0);
    };
    m_tool->OnCommand(ParamBackup);
    EXPECT_FALSE(mayEnd);
    EXPECT_EQ(m_frontEnd.ends, std::vector<DialogEnd>{DialogEnd::Cancel});
}

TEST_F(FlashToolTest, CloseWritesTheSettingsOnceAndLeavesTheEndToTheWindow) {
    m_tool->Start();
    m_tool->OnCommand(PortCom2);
    m_tool->OnCommand(Baud57600);
    EXPECT_TRUE(m_tool->RequestClose());
    EXPECT_TRUE(m_tool->CloseRequested());
    EXPECT_TRUE(m_frontEnd.ends.empty());
    EXPECT_EQ(ReadSettings(), "[Setup]\nSerialPort=2\nSerialPortAuto=0\nSerialBaudRate=57600\n");
    // File > Exit after it writes nothing more but ends the dialog.
    WriteSettings("untouched");
    m_tool->OnCommand(FileExit);
    EXPECT_EQ(ReadSettings(), "untouched");
    EXPECT_EQ(m_frontEnd.ends, std::vector<DialogEnd>{DialogEnd::Ok});
}

TEST_F(FlashToolTest, FailureInsideAnOperationClosesThePortAndTellsWhatFailed) {
    m_tool->Start();
    const struct {
        std::function<void()> fail;
        std::string box;
    } cases[] = {
        {[] { throw CSerialException(5); }, "The operation stopped because of an error:\n"},
        {[] { throw std::runtime_error("disk full"); },
         "The operation stopped because of an error:\ndisk full"},
        {[] { throw 42; }, "The operation stopped because of an error:\nunknown error"},
    };
    for (const auto& c : cases) {
        m_host.boxes.clear();
        m_host.toolbar.clear();
        m_host.progress.clear();
        const int closes = m_port->closes;
        m_operations.during = [&](Host& host, Session* s) {
            OpenStandard(s->port, 1);
            host.EnableToolbarButtons(false, false, false);
            c.fail();
        };
        m_tool->OnCommand(FileBackup);
        EXPECT_FALSE(m_port->IsOpen());
        EXPECT_EQ(m_port->closes, closes + 1);
        EXPECT_EQ(m_host.toolbar.back(), (std::vector<bool>{true, true, true}));
        ASSERT_EQ(m_host.progress.size(), 1u);
        EXPECT_EQ(m_host.progress[0].reset, 1);
        ASSERT_EQ(m_host.boxes.size(), 1u);
        EXPECT_EQ(m_host.boxes[0].text.rfind(c.box, 0), 0u) << m_host.boxes[0].text;
        EXPECT_EQ(m_host.boxes[0].caption, "");
        EXPECT_EQ(m_host.boxes[0].icon, BoxIcon::Error);
        EXPECT_FALSE(m_tool->Busy());
    }
    // The shield is lifted: the next operation runs.
    m_operations.during = nullptr;
    m_tool->OnCommand(FileReset);
    EXPECT_EQ(m_operations.ran.back(), "ResetController");
}

TEST_F(FlashToolTest, FailureOfAWindowCommandIsShownLikeAnOperationsFailure) {
    m_tool->Start();
    m_frontEnd.onCall = [] { throw std::runtime_error("no ports window"); };
    m_tool->OnCommand(DevMgmt);
    ASSERT_EQ(m_host.boxes.size(), 1u);
    EXPECT_EQ(m_host.boxes[0].text, "The operation stopped because of an error:\nno ports window");
    EXPECT_FALSE(m_tool->Busy());
}

TEST(OverwriteQuestionTest, NamesThePathAsGivenEvenWithAPlaceholderInIt) {
    EXPECT_EQ(FlashTool::OverwriteQuestion("C:\\out\\a.txt"),
              "C:\\out\\a.txt already exists.\nDo you want to replace it?");
    EXPECT_EQ(FlashTool::OverwriteQuestion("/tmp/%1.bin"),
              "/tmp/%1.bin already exists.\nDo you want to replace it?");
}

} // namespace
} // namespace bf::test
