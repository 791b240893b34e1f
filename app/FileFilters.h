#pragma once

#include "core/Host.h"

#include <QStringList>
#include <vector>

class QFileDialog;

namespace bf {

// Qt reads the patterns from the last parenthesised group, separated by blanks. Each filter
// becomes "<description> (<patterns>)" with ';' turned into blanks and "*.*" into "*" (a name
// without a dot is a file too); the dialog hides that last group, so the user sees the
// description exactly, e.g. "Brenvaldor Firmware (*.hex;*.bin)".
QStringList QtNameFilters(const std::vector<FileFilter>& filters);

// Open and save dialogs as the tool uses them: our own (not the platform's) dialog so the filter
// texts show as written, starting in the current folder, taking any name (the open dialog too).
void PrepareFileDialog(QFileDialog& dialog, const QStringList& filters, bool save);

} // namespace bf
