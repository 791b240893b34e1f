// A firmware file dropped on the window opens as File > Open does with that file chosen.
#include "firmware/FirmwareCommands.h"
#include "tests/app/WindowTestSupport.h"
#include "tool/CommandIds.h"

#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>
#include <fstream>
#include <memory>

namespace bf::test {
namespace {

using namespace cmd_id;

class DropTest : public InFolderWindowTest {
  protected:
    void SetUp() override {
        InFolderWindowTest::SetUp();
        m_image->ClearImage();
        m_operations.during = [this](Host& host, Session*) { OpenFirmware(host, *m_image, m_state); };
    }
    void Write(const std::string& name, const std::string& content) {
        std::ofstream(PathOf(name), std::ios::binary) << content;
    }
    // Which of the drag's entering and its drop the window took.
    struct Taken {
        bool entered;
        bool dropped;
        bool operator==(const Taken&) const = default;
    };
    static constexpr Taken kTaken{true, true};
    static constexpr Taken kRefused{false, false};

    // Drags `data` over the window and drops it; the open it starts runs at the next event pass.
    Taken SendDrop(const QMimeData& data) {
        auto& w = Window();
        const QPoint inside(w.width() / 2, w.height() / 2);
        QDragEnterEvent enter(inside, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&w, &enter);
        QDropEvent drop(inside, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&w, &drop);
        return {enter.isAccepted(), drop.isAccepted()};
    }
    Taken Drop(const QMimeData& data) {
        const Taken taken = SendDrop(data);
        QCoreApplication::processEvents();
        return taken;
    }
    static std::unique_ptr<QMimeData> Files(const QStringList& paths) {
        auto data = std::make_unique<QMimeData>();
        QList<QUrl> urls;
        for (const QString& p : paths)
            urls << QUrl::fromLocalFile(p);
        data->setUrls(urls);
        return data;
    }
    Taken DropFiles(const QStringList& paths) { return Drop(*Files(paths)); }
    QString Path(const std::string& name) const { return QString::fromStdString(PathOf(name)); }

    std::unique_ptr<FirmwareImage> m_image = std::make_unique<FirmwareImage>();
    ImageState m_state;
};

TEST_F(DropTest, DroppedFileOpensAsFileOpenDoesWithItChosen) {
    Write("fw.hex", "S3090010000001020304E2\r\nS70500000000FA\r\n");
    Write("bad.HEX", "S3090010000001020304E3\r\n"); // checksum off: "Error: 6"
    Write("image.Bin", std::string(1000, '\x11'));
    for (const char* name : {"fw.hex", "bad.HEX", "image.Bin"}) {
        auto& w = Window();
        m_prompter.fileAnswer = Path(name);
        Command(FileOpen)->trigger();
        const std::string viaMenu = w.LogText();
        const auto boxesViaMenu = m_prompter.messages.size();
        const auto dialogs = m_prompter.fileDialogs.size();
        m_prompter.fileAnswer.reset(); // a dialog shown now would answer Cancel
        QDir::setCurrent(m_oldCurrent);

        EXPECT_EQ(DropFiles({Path(name)}), kTaken) << name;
        EXPECT_EQ(w.LogText(), viaMenu) << name;
        EXPECT_EQ(m_prompter.fileDialogs.size(), dialogs) << name;
        ASSERT_EQ(m_prompter.messages.size(), 2 * boxesViaMenu) << name;
        for (std::size_t i = 0; i < boxesViaMenu; ++i)
            EXPECT_EQ(m_prompter.messages[boxesViaMenu + i].text, m_prompter.messages[i].text) << name;
        m_prompter.messages.clear();
        // As a file chosen in the dialog, the dropped file's folder becomes the current folder.
        EXPECT_EQ(QDir::currentPath(), QString::fromStdString(m_dir.string())) << name;
    }
    EXPECT_EQ(m_operations.ran.size(), 6u);
    EXPECT_TRUE(m_state.loaded);
}

TEST_F(DropTest, OtherDropsAreIgnored) {
    Write("a.hex", "");
    Write("b.bin", "");
    Write("notes.txt", "");
    std::filesystem::create_directory(PathOf("folder.hex"));
    const QStringList ignored[] = {
        {Path("a.hex"), Path("b.bin")}, // more than one file
        {Path("notes.txt")},
        {Path("folder.hex")},
        {},
    };
    for (const QStringList& paths : ignored)
        EXPECT_EQ(DropFiles(paths), kRefused) << paths.join(' ').toStdString();
    QMimeData remote;
    remote.setUrls({QUrl(QStringLiteral("https://example.invalid/fw.hex"))});
    EXPECT_EQ(Drop(remote), kRefused);
    QMimeData text;
    text.setText(Path("a.hex"));
    EXPECT_EQ(Drop(text), kRefused);
    EXPECT_TRUE(m_operations.ran.empty());
    EXPECT_TRUE(Window().LogText().empty());
}

TEST_F(DropTest, DropWhileAnOperationRunsIsIgnoredAndLeavesNothingBehind) {
    Write("fw.bin", std::string(10, '\x22'));
    Taken inside = kTaken;
    m_operations.during = [&](Host&, Session*) { inside = DropFiles({Path("fw.bin")}); };
    Command(ParamBackup)->trigger();
    EXPECT_EQ(inside, kRefused);

    // A drop taken while idle whose open comes up only inside an operation is dropped too.
    const auto data = Files({Path("fw.bin")});
    EXPECT_EQ(SendDrop(*data), kTaken);
    m_operations.during = [](Host& host, Session*) { host.PumpMessages(); };
    Command(ParamBackup)->trigger();
    EXPECT_EQ(m_operations.ran, (std::vector<std::string>{"ParameterBackup", "ParameterBackup"}));

    // The next Open asks as usual.
    m_operations.during = [this](Host& host, Session*) { OpenFirmware(host, *m_image, m_state); };
    Command(FileOpen)->trigger();
    EXPECT_EQ(m_prompter.fileDialogs.size(), 1u);
    EXPECT_FALSE(m_state.loaded);
}

TEST_F(DropTest, DropThatEnteredBeforeAnOperationStartedIsRefusedDuringIt) {
    Write("fw.hex", "");
    const auto data = Files({Path("fw.hex")});
    auto& w = Window();
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &enter);
    EXPECT_TRUE(enter.isAccepted());
    bool dropped = true;
    m_operations.during = [&](Host&, Session*) {
        QDropEvent drop(QPoint(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&w, &drop);
        dropped = drop.isAccepted();
    };
    Command(ParamErase)->trigger();
    EXPECT_FALSE(dropped);
}

TEST_F(DropTest, DropsAnywhereOnTheWindowReachIt) {
    // Qt hands a drop to the innermost widget under the pointer that accepts drops.
    auto& w = Window();
    w.show();
    for (QWidget* part : {Control<QWidget>(Log), Control<QWidget>(ToolBar), Control<QWidget>(StatusBar)}) {
        const QPoint centre = part->mapTo(&w, part->rect().center());
        QWidget* target = w.childAt(centre);
        while (target && !target->acceptDrops())
            target = target->parentWidget();
        EXPECT_EQ(target, &w) << part->objectName().toStdString();
    }
}

} // namespace
} // namespace bf::test
