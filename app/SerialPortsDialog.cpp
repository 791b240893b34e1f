#include "app/SerialPortsDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace bf {

namespace {
constexpr char kCaption[] = "Serial ports";
constexpr char kHint[] = "Port numbers map to devices as set in section [Ports] of BrenvaldorFlash.ini.";
constexpr char kRefresh[] = "Refresh";
constexpr char kYes[] = "yes";
constexpr char kNo[] = "no";
constexpr const char* kColumns[] = {"Port",        "Device",   "Present", "Description",
                                    "By-id names", "May open", "Fix"};
constexpr int kColumnCount = 7;

QString Text(const std::string& s) {
    return QString::fromStdString(s);
}

QString DeviceText(const PortEntry& e) {
    QString text = Text(e.path);
    if (e.exists && e.device != e.path)
        text += QStringLiteral(" -> ") + Text(e.device);
    return text;
}

QStringList RowTexts(const PortEntry& e) {
    QStringList byId;
    for (const auto& name : e.byIdNames)
        byId << Text(name);
    const QString present = QString::fromLatin1(e.exists ? kYes : kNo);
    const QString mayOpen = e.exists ? QString::fromLatin1(e.accessible ? kYes : kNo) : QString();
    return {QStringLiteral("COM%1").arg(e.port),
            DeviceText(e),
            present,
            Text(e.usbDescription),
            byId.join(u'\n'),
            mayOpen,
            Text(e.fix)};
}
} // namespace

SerialPortsDialog::SerialPortsDialog(const PortMap& map, QWidget* parent)
    : QDialog(parent), m_map(map), m_table(new QTableWidget(0, kColumnCount, this)) {
    setWindowTitle(QString::fromLatin1(kCaption));
    setObjectName(QStringLiteral("serialPortsWindow"));
    QStringList headers;
    for (const char* c : kColumns)
        headers << QString::fromLatin1(c);
    m_table->setObjectName(QStringLiteral("portTable"));
    m_table->setHorizontalHeaderLabels(headers);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    auto* refresh = buttons->addButton(QString::fromLatin1(kRefresh), QDialogButtonBox::ActionRole);
    connect(refresh, &QPushButton::clicked, this, &SerialPortsDialog::Refresh);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QString::fromLatin1(kHint), this));
    layout->addWidget(m_table);
    layout->addWidget(buttons);
    resize(900, 520);
    Refresh();
}

void SerialPortsDialog::Refresh() {
    Show(TakePortInventory(m_map));
}

void SerialPortsDialog::Show(const std::vector<PortEntry>& entries) {
    m_table->setRowCount(static_cast<int>(entries.size()));
    for (int row = 0; row < static_cast<int>(entries.size()); ++row) {
        const QStringList texts = RowTexts(entries[static_cast<std::size_t>(row)]);
        for (int column = 0; column < kColumnCount; ++column)
            m_table->setItem(row, column, new QTableWidgetItem(texts[column]));
    }
    m_table->resizeColumnsToContents();
    m_table->resizeRowsToContents();
}

} // namespace bf
