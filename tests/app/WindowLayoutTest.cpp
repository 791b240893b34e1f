// The window's controls, menu and toolbar as the technician sees them.
#include "app/DialogUnits.h"
#include "tests/app/WindowTestSupport.h"
#include "tool/CommandIds.h"

#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

namespace bf::test {
namespace {

using namespace cmd_id;

// "text=id" per item, "-" per separator, "text>" and the items in brackets per submenu.
std::string Describe(const QMenu* menu) {
    std::string out;
    for (QAction* a : menu->actions()) {
        if (!out.empty())
            out += "|";
        if (a->isSeparator())
            out += "-";
        else if (a->menu())
            out += a->text().toStdString() + ">[" + Describe(a->menu()) + "]";
        else
            out += a->text().toStdString() + "=" + std::to_string(a->property("id").toInt());
    }
    return out;
}

TEST_F(WindowTest, CaptionControlsAndTheirRoles) {
    auto& w = Window();
    EXPECT_EQ(w.windowTitle(), "BrenvaldorFlash v1.4.1148b");
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(w.windowIcon().pixmap(32, 32).isNull());
    EXPECT_TRUE(w.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(w.findChild<QGroupBox*>()->title(), "Status");
    auto* log = Control<QPlainTextEdit>(Log);
    ASSERT_TRUE(log);
    EXPECT_TRUE(log->isReadOnly());
    EXPECT_EQ(log->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    for (int id : {TimeLeft, Counter, Percent})
        EXPECT_EQ(Control<QLabel>(id)->text(), "") << id;
    EXPECT_TRUE(Control<QLabel>(Percent)->alignment() & Qt::AlignRight);
    EXPECT_TRUE(Control<QLabel>(Counter)->alignment() & Qt::AlignLeft);
    auto* bar = Control<QProgressBar>(Progress);
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 100);
    // Dialog-unit geometry: the log lies inside the group, the percentage right of the counter.
    EXPECT_TRUE(w.findChild<QGroupBox*>()->geometry().contains(log->geometry()));
    EXPECT_LT(Control<QLabel>(Counter)->geometry().right(), Control<QLabel>(Percent)->geometry().left());
    EXPECT_LT(Control<QLabel>(TimeLeft)->geometry().bottom(), bar->geometry().bottom());
}

TEST_F(WindowTest, StatusBarHasThreePanes) {
    auto* status = Control<QStatusBar>(StatusBar);
    ASSERT_TRUE(status);
    EXPECT_EQ(Control<QLabel>(PaneFirst)->text(), " ");
    EXPECT_EQ(Control<QLabel>(PaneSecond)->text(), " ");
    EXPECT_EQ(Control<QLabel>(PaneSecond)->width(), 40);
    auto* port = Control<QLabel>(PanePort);
    EXPECT_EQ(port->width(), 70);
    EXPECT_TRUE(port->alignment() & Qt::AlignHCenter);
    for (int id : {PaneFirst, PaneSecond, PanePort})
        EXPECT_EQ(Control<QLabel>(id)->parentWidget(), status) << id;
}

TEST_F(WindowTest, ClientAreaHasItsDialogUnitSizeWithTheStatusBarAlongItsBottom) {
    auto& w = Window();
    w.show();
    const DialogUnits du(w.font());
    const QSize client = du.Size(187, 182);
    const int top = w.findChild<QMenuBar*>()->height();
    EXPECT_EQ(w.size(), QSize(client.width(), top + client.height()));
    auto* group = w.findChild<QGroupBox*>();
    EXPECT_EQ(group->geometry(), du.Rect(1, 36, 186, 135));
    EXPECT_EQ(Control<QPlainTextEdit>(Log)->geometry(), du.Rect(7, 47, 173, 84));
    EXPECT_EQ(Control<QProgressBar>(Progress)->geometry(), du.Rect(8, 145, 173, 10));
    // The status bar spans the client area's bottom edge, inside it, below the group box.
    auto* status = Control<QStatusBar>(StatusBar);
    const QRect bar(status->mapTo(&w, QPoint(0, 0)), status->size());
    EXPECT_EQ(bar.left(), 0);
    EXPECT_EQ(bar.width(), client.width());
    EXPECT_EQ(bar.bottom(), w.height() - 1);
    EXPECT_GT(bar.height(), 0);
    EXPECT_GT(bar.top(), top + group->geometry().bottom());
}

TEST_F(WindowTest, MenuBarHasEveryItemIdAndSeparator) {
    const auto menus = Window().findChild<QMenuBar*>()->actions();
    ASSERT_EQ(menus.size(), 3);
    EXPECT_EQ(menus[0]->text(), "&File");
    EXPECT_EQ(
        Describe(menus[0]->menu()),
        "&Open...=57601|&Close=57602|-|Save &As...=32792|Backup...=32790|-|&Update=57610|&Reset=32773|-|"
        "Parameter>[Backup...=32801|Update...=32802|Edit...=32803|-|Erase block=32796]|-|Abort=32794|-|"
        "E&xit=32783");
    EXPECT_EQ(menus[1]->text(), "&Setup");
    EXPECT_EQ(
        Describe(menus[1]->menu()),
        "Port>[AUTO=32813|-|COM1:=32775|COM2:=32776|COM3:=32797|COM4:=32798|COM5:=32799|COM6:=32800|-|"
        "9600=32777|19200=32778|38400=32779|57600=32782]|Priority>[Normal=32780|High=32781]|DevMgmt=32814");
    EXPECT_EQ(menus[2]->text(), "&Help");
    EXPECT_EQ(Describe(menus[2]->menu()), "BrenvaldorFlash Help...=32812|&About=32784");
    for (QAction* a : Window().findChildren<QAction*>())
        EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
}

TEST_F(WindowTest, ToolbarHasThreeLabelledButtonsAndTheParamDropDown) {
    auto* toolbar = Control<QToolBar>(ToolBar);
    ASSERT_TRUE(toolbar);
    EXPECT_EQ(toolbar->iconSize(), QSize(40, 32));
    std::vector<std::string> layout;
    for (QAction* a : toolbar->actions())
        layout.push_back(a->isSeparator()
                             ? "-"
                             : a->text().toStdString() + "=" + std::to_string(a->property("id").toInt()));
    EXPECT_EQ(layout, (std::vector<std::string>{"Open=32787", "-", "Update=32788", "-", "Param=32804"}));
    for (int id : {ToolbarOpen, ToolbarUpdate, ToolbarParam}) {
        auto* button = Control<QToolButton>(id);
        EXPECT_EQ(button->size(), QSize(53, 53)) << id;
        EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        EXPECT_FALSE(button->icon().isNull());
        EXPECT_TRUE(button->isEnabled());
    }
    auto* param = Control<QToolButton>(ToolbarParam);
    EXPECT_EQ(param->popupMode(), QToolButton::InstantPopup);
    ASSERT_TRUE(param->menu());
    EXPECT_EQ(Describe(param->menu()), "Backup...=32809|Update...=32810");
}

} // namespace
} // namespace bf::test
