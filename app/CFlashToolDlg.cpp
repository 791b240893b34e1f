#include "app/CFlashToolDlg.h"

#include "app/DialogUnits.h"
#include "app/Prompter.h"
#include "app/SerialPortsDialog.h"
#include "app/ToolbarImages.h"
#include "firmware/FirmwareCommands.h"
#include "tool/CommandIds.h"

#include <QAction>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

// Resources of the static window library must be registered by hand.
static void InitWindowResources() {
    Q_INIT_RESOURCE(brenvaldorflash);
}

namespace bf {

namespace {
constexpr char kCaption[] = "BrenvaldorFlash v1.4.1148b";
constexpr char kIdProperty[] = "id";
constexpr char kToolbarStrip[] = ":/toolbar/toolbar.bmp";
constexpr char kToolbarDisabledStrip[] = ":/toolbar/toolbar-disabled.bmp";
constexpr char kGroupBoxStatus[] = "Status";
constexpr char kBlankPane[] = " ";
constexpr int kToolButtonSize = 53;
constexpr int kPaneSecondWidth = 40;
constexpr int kPanePortWidth = 70;
// Dialog-unit size of the client area, and the band kept free for the toolbar.
constexpr int kClientWidth = 187;
constexpr int kClientHeight = 182;
constexpr int kToolbarBand = 36;

template <typename W> W* Tagged(W* widget, int id, const char* name) {
    widget->setProperty(kIdProperty, id);
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// The one firmware file a drag carries; nullopt for anything else (several files, a folder, another
// extension, something that is no local file).
std::optional<QString> DroppedFirmwareFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1 ||
        !data->urls().front().isLocalFile())
        return std::nullopt;
    const QString path = data->urls().front().toLocalFile();
    if (QFileInfo(path).isDir() || !IsFirmwareFileName(QFile::encodeName(path).toStdString()))
        return std::nullopt;
    return path;
}

QLabel* StaticText(QWidget* parent, int id, const char* name, const QRect& rect, Qt::Alignment align) {
    auto* label = Tagged(new QLabel(parent), id, name);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(align | Qt::AlignVCenter);
    label->setGeometry(rect);
    return label;
}
} // namespace

CFlashToolDlg::CFlashToolDlg(Prompter& prompter, Operations& operations, Clock& clock,
                             std::string settingsPath)
    : m_prompter(prompter), m_clock(clock), m_tool(*this, *this, operations, clock, std::move(settingsPath)) {
    InitWindowResources();
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QString::fromLatin1(kCaption));
    for (int size : {16, 32, 48, 256})
        m_hIcon.addFile(QStringLiteral(":/icons/brenvaldorflash-%1.png").arg(size));
    setWindowIcon(m_hIcon);
    setFont(DialogFont());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    BuildMenu();
    layout->setMenuBar(m_menuBar);
    auto* client = new QWidget(this);
    BuildClientArea(client);
    BuildStatusBar(client);
    layout->addWidget(client);
    setAcceptDrops(true);

    m_tool.Start();
}

CFlashToolDlg::~CFlashToolDlg() = default;

QAction* CFlashToolDlg::AddItem(QMenu* menu, const char* text, int id, bool checkable) {
    QAction* action = menu->addAction(QString::fromLatin1(text));
    action->setProperty(kIdProperty, id);
    action->setCheckable(checkable);
    connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    m_menuItems[id] = action;
    return action;
}

void CFlashToolDlg::BuildMenu() {
    using namespace cmd_id;
    m_menuBar = new QMenuBar(this);
    QMenu* file = m_menuBar->addMenu(QStringLiteral("&File"));
    AddItem(file, "&Open...", FileOpen);
    AddItem(file, "&Close", FileClose);
    file->addSeparator();
    AddItem(file, "Save &As...", FileSaveAs);
    AddItem(file, "Backup...", FileBackup);
    file->addSeparator();
    AddItem(file, "&Update", FileUpdate);
    AddItem(file, "&Reset", FileReset);
    file->addSeparator();
    QMenu* parameter = file->addMenu(QStringLiteral("Parameter"));
    AddItem(parameter, "Backup...", ParamBackup);
    AddItem(parameter, "Update...", ParamUpdate);
    AddItem(parameter, "Edit...", ParamEdit);
    parameter->addSeparator();
    AddItem(parameter, "Erase block", ParamErase);
    file->addSeparator();
    AddItem(file, "Abort", FileAbort);
    file->addSeparator();
    AddItem(file, "E&xit", FileExit);

    QMenu* setup = m_menuBar->addMenu(QStringLiteral("&Setup"));
    QMenu* port = setup->addMenu(QStringLiteral("Port"));
    AddItem(port, "AUTO", PortAuto, true);
    port->addSeparator();
    const int comIds[] = {PortCom1, PortCom2, PortCom3, PortCom4, PortCom5, PortCom6};
    const char* comTexts[] = {"COM1:", "COM2:", "COM3:", "COM4:", "COM5:", "COM6:"};
    for (int i = 0; i < 6; ++i)
        AddItem(port, comTexts[i], comIds[i], true);
    port->addSeparator();
    AddItem(port, "9600", Baud9600, true);
    AddItem(port, "19200", Baud19200, true);
    AddItem(port, "38400", Baud38400, true);
    AddItem(port, "57600", Baud57600, true);
    QMenu* priority = setup->addMenu(QStringLiteral("Priority"));
    AddItem(priority, "Normal", PriorityNormal, true);
    AddItem(priority, "High", PriorityHigh, true);
    AddItem(setup, "DevMgmt", DevMgmt);

    QMenu* help = m_menuBar->addMenu(QStringLiteral("&Help"));
    AddItem(help, "BrenvaldorFlash Help...", HelpDocument);
    AddItem(help, "&About", About);
}

void CFlashToolDlg::BuildClientArea(QWidget* client) {
    const DialogUnits du(font());
    client->setFixedSize(du.Size(kClientWidth, kClientHeight));
    BuildToolBar(client);
    auto* group = new QGroupBox(QString::fromLatin1(kGroupBoxStatus), client);
    group->setGeometry(du.Rect(1, 36, 186, 135));

    m_editLog = Tagged(new QPlainTextEdit(client), cmd_id::Log, "m_editLog");
    m_editLog->setReadOnly(true);
    // Drops on the pane go to the window, which opens firmware files.
    m_editLog->setAcceptDrops(false);
    m_editLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_editLog->setGeometry(du.Rect(7, 47, 173, 84));
    m_staticTimeLeft =
        StaticText(client, cmd_id::TimeLeft, "m_staticTimeLeft", du.Rect(9, 134, 173, 10), Qt::AlignLeft);
    m_progress = Tagged(new QProgressBar(client), cmd_id::Progress, "m_progress");
    m_progress->setTextVisible(false);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setGeometry(du.Rect(8, 145, 173, 10));
    m_staticCounter =
        StaticText(client, cmd_id::Counter, "m_staticCounter", du.Rect(8, 158, 36, 8), Qt::AlignLeft);
    m_staticPercent =
        StaticText(client, cmd_id::Percent, "m_staticPercent", du.Rect(153, 158, 24, 8), Qt::AlignRight);
}

void CFlashToolDlg::BuildToolBar(QWidget* client) {
    m_wndToolBar = Tagged(new QToolBar(client), cmd_id::ToolBar, "m_wndToolBar");
    m_wndToolBar->setMovable(false);
    m_wndToolBar->setIconSize(kToolbarImageSize);
    m_wndToolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_wndToolBar->setContentsMargins(2, 2, 0, 0);
    const QImage strip(QString::fromLatin1(kToolbarStrip));
    const QImage disabledStrip(QString::fromLatin1(kToolbarDisabledStrip));
    const struct {
        int id;
        const char* text;
    } buttons[] = {
        {cmd_id::ToolbarOpen, "Open"}, {cmd_id::ToolbarUpdate, "Update"}, {cmd_id::ToolbarParam, "Param"}};
    for (int i = 0; i < 3; ++i) {
        if (i > 0)
            m_wndToolBar->addSeparator();
        QAction* action = m_wndToolBar->addAction(ToolbarIcon(strip, disabledStrip, i),
                                                  QString::fromLatin1(buttons[i].text));
        const int id = buttons[i].id;
        action->setProperty(kIdProperty, id);
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
        auto* button = qobject_cast<QToolButton*>(m_wndToolBar->widgetForAction(action));
        button->setProperty(kIdProperty, id);
        button->setFixedSize(kToolButtonSize, kToolButtonSize);
        m_toolButtons[static_cast<std::size_t>(i)] = button;
    }
    // The Param button drops down the PARAM menu wherever it is pressed.
    auto* popup = new QMenu(QStringLiteral("PARAM"), this);
    popup->setObjectName(QStringLiteral("paramMenu"));
    for (auto [id, text] : {std::pair{cmd_id::PopupParamBackup, "Backup..."},
                            std::pair{cmd_id::PopupParamUpdate, "Update..."}}) {
        QAction* item = popup->addAction(QString::fromLatin1(text));
        item->setProperty(kIdProperty, id);
        connect(item, &QAction::triggered, this, [this, id] { OnCommand(id); });
    }
    m_toolButtons[2]->setMenu(popup);
    m_toolButtons[2]->setPopupMode(QToolButton::InstantPopup);
    // Below the etched line at the top of the client area.
    m_wndToolBar->setGeometry(0, 2, client->width(), DialogUnits(font()).Y(kToolbarBand) - 2);
}

void CFlashToolDlg::BuildStatusBar(QWidget* client) {
    m_wndStatusBar = Tagged(new QStatusBar(client), cmd_id::StatusBar, "m_wndStatusBar");
    m_wndStatusBar->setSizeGripEnabled(false);
    auto* first = Tagged(new QLabel(QString::fromLatin1(kBlankPane)), cmd_id::PaneFirst, "pane0");
    auto* second = Tagged(new QLabel(QString::fromLatin1(kBlankPane)), cmd_id::PaneSecond, "pane1");
    m_portPane = Tagged(new QLabel, cmd_id::PanePort, "pane2");
    second->setFixedWidth(kPaneSecondWidth);
    m_portPane->setFixedWidth(kPanePortWidth);
    m_portPane->setAlignment(Qt::AlignCenter);
    m_wndStatusBar->addWidget(first, 1);
    m_wndStatusBar->addWidget(second);
    m_wndStatusBar->addWidget(m_portPane);
    // Along the bottom edge of the client area, inside it.
    const int height = m_wndStatusBar->sizeHint().height();
    m_wndStatusBar->setGeometry(0, client->height() - height, client->width(), height);
}

void CFlashToolDlg::keyPressEvent(QKeyEvent* event) {
    // Neither Enter nor Escape ends the window or presses a button.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void CFlashToolDlg::closeEvent(QCloseEvent* event) {
    if (!m_tool.RequestClose()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void CFlashToolDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (!m_tool.Busy() && DroppedFirmwareFile(event->mimeData()))
        event->acceptProposedAction();
}

void CFlashToolDlg::dropEvent(QDropEvent* event) {
    const auto path = DroppedFirmwareFile(event->mimeData());
    if (m_tool.Busy() || !path)
        return;
    event->acceptProposedAction();
    // Opened once the drop has ended, so the file manager is not kept waiting behind a box.
    QMetaObject::invokeMethod(
        this, [this, file = *path] { OpenDroppedFile(file); }, Qt::QueuedConnection);
}

void CFlashToolDlg::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    // An etched line across the top of the client area, below the menu.
    QPainter painter(this);
    const int y = m_menuBar->height();
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(0, y, width(), y);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawLine(0, y + 1, width(), y + 1);
}

} // namespace bf
