// Log, progress, waiting, boxes and file dialogs of the window, on the virtual clock.
#include "tests/app/WindowTestSupport.h"
#include "tool/CommandIds.h"

#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QTimer>

namespace bf::test {
namespace {

using namespace cmd_id;

class HostTest : public WindowTest {
  protected:
    QString Pane() { return Control<QPlainTextEdit>(Log)->toPlainText(); }
    QString Percent() { return Control<QLabel>(cmd_id::Percent)->text(); }
    QString TimeLeft() { return Control<QLabel>(cmd_id::TimeLeft)->text(); }
    QProgressBar* Bar() { return Control<QProgressBar>(Progress); }
    // Posts an event for the window's queue; true once it has been handled.
    std::shared_ptr<bool> PostEvent() {
        auto handled = std::make_shared<bool>(false);
        QMetaObject::invokeMethod(
            &Window(), [handled] { *handled = true; }, Qt::QueuedConnection);
        return handled;
    }
};

TEST_F(HostTest, AppendLogKeepsTheWholeTextAndShowsItScrolledToTheEnd) {
    auto& w = Window();
    w.show();
    for (int i = 0; i < 200; ++i)
        w.AppendLog("LINE " + std::to_string(i));
    EXPECT_EQ(w.LogText().substr(0, 16), "LINE 0\r\nLINE 1\r\n");
    EXPECT_EQ(w.LogText().size(), 200 * 2 + (10 * 6 + 90 * 7 + 100 * 8));
    EXPECT_EQ(Pane().split(u'\n').size(), 200);
    EXPECT_TRUE(Pane().endsWith("LINE 199"));
    auto* bar = Control<QPlainTextEdit>(Log)->verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(HostTest, EmptiedLogShowsOnlyTheNextLine) {
    auto& w = Window();
    w.AppendLog("OLD");
    w.ClearLog();
    EXPECT_EQ(w.LogText(), "");
    EXPECT_EQ(Pane(), "OLD"); // not redrawn until the next line
    w.AppendLog("SERIAL PORT CLOSED");
    EXPECT_EQ(w.LogText(), "SERIAL PORT CLOSED\r\n");
    EXPECT_EQ(Pane(), "SERIAL PORT CLOSED");
    w.AppendLog("NEXT");
    EXPECT_EQ(Pane(), "SERIAL PORT CLOSED\nNEXT");
}

TEST_F(HostTest, CarriageReturnInsideALineStaysInTheTextButStartsNoPaneLine) {
    auto& w = Window();
    w.ClearLog();
    w.AppendLog("PARAMETER --> A=1\r ");
    w.AppendLog("PARAMETER --> B=2\r ");
    EXPECT_EQ(w.LogText(), "PARAMETER --> A=1\r \r\nPARAMETER --> B=2\r \r\n");
    EXPECT_EQ(Pane(), "PARAMETER --> A=1 \nPARAMETER --> B=2 ");
}

TEST_F(HostTest, ProgressShowsPercentEstimateAndBar) {
    auto& w = Window();
    w.UpdateProgress(0, 1);
    EXPECT_EQ(Bar()->value(), 0);
    m_clock.advance(30000);
    w.UpdateProgress(50, 0);
    EXPECT_EQ(Percent(), "50%");
    EXPECT_EQ(Bar()->value(), 50);
    // The update pumped once, which let 1 ms pass.
    EXPECT_EQ(TimeLeft(), "Estimated time left: 0 min 31 sek");
    w.UpdateProgress(100, 0);
    EXPECT_EQ(Percent(), "100%");
    EXPECT_EQ(TimeLeft(), "Estimated time left: 0 min 1 sek");
    w.UpdateProgress(0, 1);
    EXPECT_EQ(Percent(), "");
    EXPECT_EQ(TimeLeft(), "");
    EXPECT_EQ(Bar()->value(), 0);
    EXPECT_EQ(Bar()->maximum(), 100);
}

TEST_F(HostTest, SamePercentOrResetZeroPumpsNothing) {
    auto& w = Window();
    w.UpdateProgress(0, 1);
    auto first = PostEvent();
    w.UpdateProgress(0, 0);
    EXPECT_FALSE(*first);
    w.UpdateProgress(7, 0);
    EXPECT_TRUE(*first);
    auto second = PostEvent();
    w.UpdateProgress(7, 0);
    w.UpdateProgress(7 + 256, 0);
    EXPECT_FALSE(*second);
}

TEST_F(HostTest, ValuesOutsideTheRangeHoldTheBarAtItsEndWhileTheTextShowsThem) {
    auto& w = Window();
    w.UpdateProgress(0, 1);
    w.UpdateProgress(101, 0);
    EXPECT_EQ(Percent(), "101%");
    EXPECT_EQ(Bar()->value(), 100);
    w.UpdateProgress(133, 0);
    EXPECT_EQ(Percent(), "-123%");
    EXPECT_EQ(Bar()->value(), 0);
    w.UpdateProgress(256, 0);
    EXPECT_EQ(Percent(), "0%");
    EXPECT_EQ(TimeLeft(), "");
}

TEST_F(HostTest, PercentagesAfterThePortSearchShowAgainstItsRange) {
    auto& w = Window();
    w.UpdateProgress(0, 1);
    w.SetProgressRange(0, 29);
    w.SetProgressPos(12);
    EXPECT_EQ(Bar()->value(), 12);
    w.UpdateProgress(20, 0);
    EXPECT_EQ(Bar()->value(), 20);
    w.UpdateProgress(50, 0);
    EXPECT_EQ(Bar()->value(), 29);
    EXPECT_EQ(Bar()->maximum(), 29);
}

TEST_F(HostTest, PumpHandlesEventsOnlyAtPriorityNormal) {
    auto& w = Window();
    auto first = PostEvent();
    w.PumpMessages();
    EXPECT_TRUE(*first);
    w.OnCommand(PriorityHigh);
    const std::uint32_t before = m_clock.nowMs();
    auto second = PostEvent();
    w.PumpMessages();
    EXPECT_FALSE(*second);
    EXPECT_EQ(m_clock.nowMs(), before); // returns at once, no yield
    // A pumping wait handles events at High too.
    w.WaitPumping(5);
    EXPECT_TRUE(*second);
}

TEST_F(HostTest, PumpStepHandlesWhatIsPendingAndNeverSleeps) {
    auto& w = Window();
    const std::uint32_t before = m_clock.nowMs();
    auto pending = PostEvent();
    w.PumpMessages();
    EXPECT_TRUE(*pending);
    for (int i = 0; i < 100; ++i)
        w.PumpMessages();
    EXPECT_EQ(m_clock.nowMs(), before);
}

TEST_F(HostTest, WaitPumpingSleepsOnlyWhileNoEventIsPending) {
    auto& w = Window();
    // A chain of events, each posting the next: a wait that slept between steps would handle one
    // per slept slice, and only a few within 3 ms.
    int handled = 0;
    std::function<void()> next = [&] {
        if (++handled < 50)
            QMetaObject::invokeMethod(&w, next, Qt::QueuedConnection);
    };
    QMetaObject::invokeMethod(&w, next, Qt::QueuedConnection);
    const std::uint32_t start = m_clock.nowMs();
    w.WaitPumping(3);
    EXPECT_EQ(handled, 50);
    EXPECT_EQ(m_clock.nowMs() - start, 4u);
}

TEST_F(HostTest, WaitPumpingLastsItsFullDurationOnTheVirtualClock) {
    auto& w = Window();
    const std::uint32_t start = m_clock.nowMs();
    w.WaitPumping(10000);
    EXPECT_EQ(m_clock.nowMs() - start, 10001u);
}

TEST_F(HostTest, WaitAcrossTheTimerWrapIsNotCutShort) {
    auto& w = Window();
    m_clock.advance(0xFFFFFF00u - m_clock.nowMs());
    w.WaitPumping(0x200);
    EXPECT_EQ(m_clock.nowMs(), 0xFFFFFF00u + 0x201u);
}

TEST_F(HostTest, CloseRequestDuringAWaitIsSeenByTheOperation) {
    auto& w = Window();
    w.show();
    w.ClearCloseRequest();
    QTimer::singleShot(0, &w, [&w] { w.close(); });
    w.WaitPumping(3);
    EXPECT_TRUE(w.CloseRequested());
}

TEST_F(HostTest, MessageBoxWithoutCaptionShowsTheApplicationTitle) {
    auto& w = Window();
    w.ShowMessageBox("Text ", "", BoxIcon::None);
    w.ShowMessageBox("Other", "Caption ", BoxIcon::Error);
    ASSERT_EQ(m_prompter.messages.size(), 2u);
    EXPECT_EQ(m_prompter.messages[0].caption, "BrenvaldorFlash");
    EXPECT_EQ(m_prompter.messages[0].text, "Text ");
    EXPECT_EQ(m_prompter.messages[0].icon, BoxIcon::None);
    EXPECT_EQ(m_prompter.messages[1].caption, "Caption ");
}

TEST_F(HostTest, ChosenFileFolderBecomesTheCurrentFolder) {
    auto& w = Window();
    const QString old = QDir::currentPath();
    std::filesystem::create_directories(m_dir / "firmware");
    const std::string chosen = (m_dir / "firmware" / "new.bin").string();
    m_prompter.fileAnswer = QString::fromStdString(chosen);
    const auto answer =
        w.AskSaveFileName({{"Brenvaldor Firmware (*.hex;*.bin)", "*.hex;*.bin"}, {"All files (*.*)", "*.*"}});
    const QString now = QDir::currentPath();
    QDir::setCurrent(old);
    EXPECT_EQ(answer, chosen);
    EXPECT_EQ(now, QString::fromStdString((m_dir / "firmware").string()));
    ASSERT_EQ(m_prompter.fileDialogs.size(), 1u);
    EXPECT_EQ(m_prompter.fileDialogs[0],
              (QStringList{"Brenvaldor Firmware (*.hex;*.bin) (*.hex *.bin)", "All files (*.*) (*)"}));

    m_prompter.fileAnswer.reset();
    EXPECT_FALSE(w.AskOpenFileName({{"All files (*.*)", "*.*"}}));
    EXPECT_EQ(QDir::currentPath(), old);
}

TEST_F(HostTest, OverwriteQuestionAndEditorGoThroughThePrompter) {
    auto& w = Window();
    m_prompter.yesAnswer = false;
    EXPECT_FALSE(w.ConfirmOverwrite("/tmp/a.txt"));
    ASSERT_EQ(m_prompter.questions.size(), 1u);
    EXPECT_TRUE(m_prompter.questions[0].startsWith("/tmp/a.txt"));
    w.OpenInTextEditor("/tmp/my params.txt");
    EXPECT_EQ(m_prompter.opened, std::vector<QString>{"/tmp/my params.txt"});
}

} // namespace
} // namespace bf::test
