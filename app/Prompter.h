#pragma once

#include "core/Host.h"

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace bf {

// Everything the window shows modally or hands to the desktop. The program uses the Qt dialogs;
// window tests answer from a script, so no test ever blocks on a box.
class Prompter {
  public:
    virtual ~Prompter() = default;
    virtual void ShowMessage(QWidget* parent, const QString& text, const QString& caption, BoxIcon icon) = 0;
    // Qt name filters; nullopt when cancelled.
    virtual std::optional<QString> AskOpenFileName(QWidget* parent, const QStringList& filters) = 0;
    virtual std::optional<QString> AskSaveFileName(QWidget* parent, const QStringList& filters) = 0;
    virtual bool AskYesNo(QWidget* parent, const QString& text, const QString& caption) = 0;
    // Opens a file with the desktop's program for its type: no shell, the path is one argument.
    virtual void OpenDocument(const QString& path) = 0;
    virtual void RunAbout() = 0;
};

} // namespace bf
