#include "app/CFlashToolApp.h"
#include "app/CFlashToolDlg.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(bf::FlashTool::kApplicationTitle));
    QApplication::setDesktopFileName(QStringLiteral("brenvaldorflash"));
    bf::CFlashToolApp theApp;
    theApp.InitInstance();
    return 0;
}
