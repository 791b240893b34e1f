#pragma once

#include "app/Prompter.h"

namespace bf {

// The real dialogs: Qt message boxes and file dialogs, the desktop's viewer, our own windows.
class QtPrompter final : public Prompter {
  public:
    void ShowMessage(QWidget* parent, const QString& text, const QString& caption, BoxIcon icon) override;
    std::optional<QString> AskOpenFileName(QWidget* parent, const QStringList& filters) override;
    std::optional<QString> AskSaveFileName(QWidget* parent, const QStringList& filters) override;
    bool AskYesNo(QWidget* parent, const QString& text, const QString& caption) override;
    void OpenDocument(const QString& path) override;
    void RunAbout() override;
};

} // namespace bf
