#pragma once

#include <QDialog>

namespace bf {

// The About box: the application icon, the version line, a line about the tool, and OK.
class CAboutDlg final : public QDialog {
  public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

} // namespace bf
