#include "tests/app/WindowTestSupport.h"

#include <QApplication>
#include <QDir>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace bf::test {

namespace {
// One QApplication for the whole program, offscreen and in the C locale.
class QtEnvironment final : public ::testing::Environment {
  public:
    void SetUp() override {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("LC_ALL", "C", 1);
        ::setenv("LANG", "C", 1);
        m_app = std::make_unique<QApplication>(m_argc, m_argv);
    }
    void TearDown() override { m_app.reset(); }

  private:
    int m_argc = 1;
    char m_name[16] = "window_tests";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_app;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);
} // namespace

void WindowTest::SetUp() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    // Parameterised names hold slashes ("Settings/StartFromFile"); one flat folder is removed whole.
    std::string name = std::string("bf-window-") + std::to_string(::getpid()) + "-" +
                       info->test_suite_name() + "-" + info->name();
    std::replace(name.begin(), name.end(), '/', '_');
    m_dir = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove_all(m_dir);
    std::filesystem::create_directories(m_dir);
    m_settingsPath = (m_dir / "BrenvaldorFlash.ini").string();
}

void WindowTest::TearDown() {
    m_window.reset();
    std::filesystem::remove_all(m_dir);
}

void WindowTest::WriteSettings(const std::string& text) {
    std::ofstream(m_settingsPath, std::ios::binary) << text;
}

std::string WindowTest::ReadSettings() const {
    std::ifstream in(m_settingsPath, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

CFlashToolDlg& WindowTest::Window() {
    if (!m_window)
        m_window = std::make_unique<CFlashToolDlg>(m_prompter, m_operations, m_clock, m_settingsPath);
    return *m_window;
}

QAction* WindowTest::Command(int id) {
    for (QAction* a : Window().findChildren<QAction*>())
        if (a->property("id").toInt() == id)
            return a;
    ADD_FAILURE() << "no command " << id;
    return nullptr;
}

void InFolderWindowTest::SetUp() {
    WindowTest::SetUp();
    m_oldCurrent = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(m_dir.string()));
}

void InFolderWindowTest::TearDown() {
    QDir::setCurrent(m_oldCurrent);
    WindowTest::TearDown();
}

std::vector<QWidget*> WindowTest::PortsWindows() {
    std::vector<QWidget*> windows;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QStringLiteral("serialPortsWindow") && w->isVisible())
            windows.push_back(w);
    return windows;
}

} // namespace bf::test
