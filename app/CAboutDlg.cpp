#include "app/CAboutDlg.h"

#include "app/DialogUnits.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>

namespace bf {

namespace {
constexpr char kCaption[] = "About BrenvaldorFlash";
constexpr char kVersionText[] = "BrenvaldorFlash Version 1.4.1021a";
constexpr char kSecondLine[] = "Lift controller service tool";
constexpr char kOk[] = "OK";
constexpr char kAppIcon[] = ":/icons/brenvaldorflash-32.png";

QLabel* PlainLabel(QWidget* parent, const char* text, const QRect& rect) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(rect);
    return label;
}
} // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setFont(DialogFont());
    const DialogUnits du(font());
    setWindowTitle(QString::fromLatin1(kCaption));
    setFixedSize(du.Size(235, 55));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("aboutIcon"));
    icon->setGeometry(du.Rect(11, 17, 20, 20));
    icon->setPixmap(QIcon(QString::fromLatin1(kAppIcon)).pixmap(32, 32));
    PlainLabel(this, kVersionText, du.Rect(40, 10, 134, 8))->setObjectName(QStringLiteral("aboutVersion"));
    // Wider than its box when the substitute font is wider than the original one.
    auto* second = PlainLabel(this, kSecondLine, du.Rect(40, 25, 134, 8));
    second->setObjectName(QStringLiteral("aboutSecondLine"));

    auto* ok = new QPushButton(QString::fromLatin1(kOk), this);
    ok->setObjectName(QStringLiteral("aboutOk"));
    ok->setGeometry(du.Rect(178, 7, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace bf
