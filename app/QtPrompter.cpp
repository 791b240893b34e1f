#include "app/QtPrompter.h"

#include "app/CAboutDlg.h"
#include "app/FileFilters.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace bf {

namespace {
std::optional<QString> RunFileDialog(QWidget* parent, const QStringList& filters, bool save) {
    QFileDialog dialog(parent);
    PrepareFileDialog(dialog, filters, save);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front();
}
} // namespace

void QtPrompter::ShowMessage(QWidget* parent, const QString& text, const QString& caption, BoxIcon icon) {
    QMessageBox box(icon == BoxIcon::Error ? QMessageBox::Critical : QMessageBox::NoIcon, caption, text,
                    QMessageBox::Ok, parent);
    box.exec();
}

std::optional<QString> QtPrompter::AskOpenFileName(QWidget* parent, const QStringList& filters) {
    return RunFileDialog(parent, filters, false);
}

std::optional<QString> QtPrompter::AskSaveFileName(QWidget* parent, const QStringList& filters) {
    return RunFileDialog(parent, filters, true);
}

bool QtPrompter::AskYesNo(QWidget* parent, const QString& text, const QString& caption) {
    return QMessageBox::question(parent, caption, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void QtPrompter::OpenDocument(const QString& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void QtPrompter::RunAbout() {
    CAboutDlg about;
    about.exec();
}

} // namespace bf
