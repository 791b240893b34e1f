#include "app/FileFilters.h"

#include <QDir>
#include <QFileDialog>

namespace bf {

QStringList QtNameFilters(const std::vector<FileFilter>& filters) {
    QStringList result;
    for (const auto& f : filters) {
        QStringList patterns;
        for (const QString& p : QString::fromStdString(f.pattern).split(u';', Qt::SkipEmptyParts))
            patterns << (p.trimmed() == QStringLiteral("*.*") ? QStringLiteral("*") : p.trimmed());
        result << QString::fromStdString(f.description) + QStringLiteral(" (") + patterns.join(u' ') +
                      QStringLiteral(")");
    }
    return result;
}

void PrepareFileDialog(QFileDialog& dialog, const QStringList& filters, bool save) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setDirectory(QDir::currentPath());
    dialog.setNameFilters(filters);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // Open dialogs too take a name that does not exist yet ("upd" becomes upd.txt for Edit).
    dialog.setFileMode(QFileDialog::AnyFile);
}

} // namespace bf
