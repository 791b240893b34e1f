// The open dialogs take a name that does not exist yet: the real file dialog, typed into, in front
// of the real operations.
#include "app/QtPrompter.h"
#include "firmware/FirmwareCommands.h"
#include "params/ParameterBackup.h"
#include "params/ParameterUpdate.h"
#include "tests/app/LiveWindow.h"
#include "tests/app/WindowTestSupport.h"
#include "tool/CommandIds.h"

#include <QFileDialog>

namespace bf::test {
namespace {

using namespace cmd_id;

// The real file dialogs; everything else is recorded.
class DialogPrompter final : public Prompter {
  public:
    void ShowMessage(QWidget*, const QString& text, const QString&, BoxIcon) override {
        messages.push_back(text);
    }
    std::optional<QString> AskOpenFileName(QWidget* parent, const QStringList& filters) override {
        return m_real.AskOpenFileName(parent, filters);
    }
    std::optional<QString> AskSaveFileName(QWidget* parent, const QStringList& filters) override {
        return m_real.AskSaveFileName(parent, filters);
    }
    bool AskYesNo(QWidget*, const QString&, const QString&) override { return false; }
    void OpenDocument(const QString& path) override { opened.push_back(path); }
    void RunAbout() override {}

    std::vector<QString> messages;
    std::vector<QString> opened;

  private:
    QtPrompter m_real;
};

class OpenDialogTest : public InFolderWindowTest {
  protected:
    CFlashToolDlg& DialogWindow() {
        if (!m_dialogWindow)
            m_dialogWindow =
                std::make_unique<CFlashToolDlg>(m_dialogs, m_operations, m_clock, m_settingsPath);
        return *m_dialogWindow;
    }
    // Types `name` into the next file dialog and presses its Open button.
    void TypeIntoNextDialog(const QString& name) {
        m_typedName = name;
        m_typer.Arm();
    }
    void TypeName() {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            ADD_FAILURE() << "no file dialog";
            return;
        }
        m_openLabel = dialog->acceptMode() == QFileDialog::AcceptOpen;
        dialog->selectFile(m_typedName);
        // A name the dialog refuses gets a box of its own, which the closer takes away.
        m_boxCloser.Arm();
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog checks the name here
        if (dialog->isVisible()) {
            m_refused = true;
            dialog->reject();
        }
    }
    void TearDown() override {
        m_dialogWindow.reset();
        InFolderWindowTest::TearDown();
    }

    DialogPrompter m_dialogs;
    std::unique_ptr<CFlashToolDlg> m_dialogWindow;
    bool m_openLabel = false;
    bool m_refused = false;
    bool m_refusalBox = false;
    QString m_typedName;
    NextPass m_typer{[this] { TypeName(); }};
    ModalCloser m_boxCloser{m_refusalBox};
};

TEST_F(OpenDialogTest, EditOfANewNameCreatesItEmptyAndOpensIt) {
    m_operations.during = [](Host& host, Session*) { ParameterEdit(host); };
    TypeIntoNextDialog("upd");
    DialogWindow().OnCommand(ParamEdit);
    EXPECT_FALSE(m_refused || m_refusalBox);
    EXPECT_TRUE(m_openLabel);
    EXPECT_EQ(m_dialogs.opened, std::vector<QString>{QString::fromStdString(PathOf("upd.txt"))});
    EXPECT_TRUE(std::filesystem::is_regular_file(PathOf("upd.txt")));
    EXPECT_EQ(ReadFile(PathOf("upd.txt")), "");
}

TEST_F(OpenDialogTest, UpdateOfAMissingFileStillSetsTheClockAndSendsNoLine) {
    Controller controller(m_clock);
    m_operations.during = [&](Host& host, Session*) {
        Session s = controller.SessionFor(host, m_clock);
        ParameterUpdate(s);
    };
    TypeIntoNextDialog("upd");
    DialogWindow().OnCommand(ParamUpdate);
    EXPECT_FALSE(m_refused || m_refusalBox);
    EXPECT_TRUE(m_openLabel);
    const std::string log = DialogWindow().LogText();
    EXPECT_NE(log.find("NUMBER OF PARAMETERS 0\r\nSERIAL PORT CLOSED\r\n"), std::string::npos) << log;
    EXPECT_TRUE(controller.model.clockValue.has_value());
    EXPECT_EQ(controller.model.receivedTexts.size(), 1u); // the clock text only
    EXPECT_TRUE(m_dialogs.messages.empty());
    EXPECT_FALSE(std::filesystem::exists(PathOf("upd.txt")));
}

TEST_F(OpenDialogTest, OpenOfAMissingFirmwareFileCountsTheImageAgain) {
    auto image = std::make_unique<FirmwareImage>();
    image->ClearImage();
    ImageState state;
    m_operations.during = [&](Host& host, Session*) { OpenFirmware(host, *image, state); };
    TypeIntoNextDialog("new.hex");
    DialogWindow().OnCommand(FileOpen);
    EXPECT_FALSE(m_refused || m_refusalBox);
    EXPECT_TRUE(m_openLabel);
    EXPECT_EQ(DialogWindow().LogText(), "NUMBER OF BLOCKS TO ERASE: 0\r\nNUMBER OF BLOCKS TO WRITE: 0\r\n");
    EXPECT_TRUE(m_dialogs.messages.empty());
    EXPECT_FALSE(state.loaded);
}

} // namespace
} // namespace bf::test
