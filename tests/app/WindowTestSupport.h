#pragma once

#include "app/CFlashToolDlg.h"
#include "app/Prompter.h"
#include "tests/support/RecordingOperations.h"
#include "tests/support/VirtualClock.h"

#include <QAction>
#include <QWidget>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

// QStrings as text in test failures.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace bf::test {

// Answers every box and dialog from a script and records what was shown.
class RecordingPrompter final : public Prompter {
  public:
    struct Message {
        QString text;
        QString caption;
        BoxIcon icon;
    };
    std::vector<Message> messages;
    std::vector<QStringList> fileDialogs;
    std::vector<QString> questions;
    std::vector<QString> opened;
    int abouts = 0;
    std::optional<QString> fileAnswer;
    bool yesAnswer = true;

    void ShowMessage(QWidget*, const QString& text, const QString& caption, BoxIcon icon) override {
        messages.push_back({text, caption, icon});
    }
    std::optional<QString> AskOpenFileName(QWidget*, const QStringList& filters) override {
        fileDialogs.push_back(filters);
        return fileAnswer;
    }
    std::optional<QString> AskSaveFileName(QWidget*, const QStringList& filters) override {
        fileDialogs.push_back(filters);
        return fileAnswer;
    }
    bool AskYesNo(QWidget*, const QString& text, const QString&) override {
        questions.push_back(text);
        return yesAnswer;
    }
    void OpenDocument(const QString& path) override { opened.push_back(path); }
    void RunAbout() override { ++abouts; }
};

// A window on a virtual clock with a settings file in a folder of its own.
class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Writes the settings file, then opens the window.
    void WriteSettings(const std::string& text);
    std::string ReadSettings() const;
    CFlashToolDlg& Window();

    QAction* Command(int id);
    // The widget carrying control id `id`.
    template <typename W> W* Control(int id) {
        for (W* w : Window().findChildren<W*>())
            if (w->property("id").toInt() == id)
                return w;
        ADD_FAILURE() << "no control " << id;
        return nullptr;
    }
    bool Checked(int id) { return Command(id)->isChecked(); }
    // The Serial ports windows that are open (it is a window of its own, not a child).
    static std::vector<QWidget*> PortsWindows();

    std::filesystem::path m_dir;
    std::string m_settingsPath;
    VirtualClock m_clock{1000};
    RecordingPrompter m_prompter;
    RecordingOperations m_operations;
    std::unique_ptr<CFlashToolDlg> m_window;
};

// A window test that starts in its own folder as the current folder (file dialogs start there
// and make the chosen file's folder current) and gives the old one back at its end.
class InFolderWindowTest : public WindowTest {
  protected:
    void SetUp() override;
    void TearDown() override;
    std::string PathOf(const std::string& name) const { return (m_dir / name).string(); }

    QString m_oldCurrent;
};

} // namespace bf::test
