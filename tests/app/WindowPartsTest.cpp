// The window's smaller parts: file filters, toolbar images, About box, Serial ports window.
#include "app/CAboutDlg.h"
#include "app/FileFilters.h"
#include "app/SerialPortsDialog.h"
#include "app/ToolbarImages.h"
#include "tests/app/WindowTestSupport.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

namespace bf::test {
namespace {

TEST(FileFilters, QtPatternsInTheLastGroupAndAllFilesMatchesNamesWithoutDot) {
    EXPECT_EQ(QtNameFilters({{"Brenvaldor Firmware (*.hex;*.bin)", "*.hex;*.bin"},
                             {"Parameter files (*.txt)", "*.txt"},
                             {"All files (*.*)", "*.*"}}),
              (QStringList{"Brenvaldor Firmware (*.hex;*.bin) (*.hex *.bin)",
                           "Parameter files (*.txt) (*.txt)", "All files (*.*) (*)"}));
}

TEST(FileFilters, DialogShowsTheDescriptionsAsWrittenAndFiltersByTheRealPatterns) {
    QFileDialog dialog;
    PrepareFileDialog(
        dialog,
        QtNameFilters({{"Brenvaldor Firmware (*.hex;*.bin)", "*.hex;*.bin"}, {"All files (*.*)", "*.*"}}),
        false);
    auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_TRUE(combo);
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(0), "Brenvaldor Firmware (*.hex;*.bin)");
    EXPECT_EQ(combo->itemText(1), "All files (*.*)");
    EXPECT_EQ(dialog.directory().absolutePath(), QDir::currentPath());
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(dialog.defaultSuffix(), "");
    QFileDialog save;
    PrepareFileDialog(save, QtNameFilters({{"Binary (*.bin)", "*.bin"}}), true);
    EXPECT_EQ(save.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_FALSE(save.testOption(QFileDialog::DontConfirmOverwrite));
}

TEST(ToolbarImages, MaskColourIsTransparentAndOnlyTheTopRowsAreShown) {
    QImage strip(400, 33, QImage::Format_RGB32);
    strip.fill(QColor(0xCC, 0xCC, 0xCC));
    strip.setPixel(45, 3, qRgb(255, 0, 0)); // slot 1
    const QImage piece = StripImage(strip, 1).toImage();
    EXPECT_EQ(piece.size(), QSize(40, 32));
    EXPECT_EQ(qAlpha(piece.pixel(5, 3)), 255);
    EXPECT_EQ(QColor(piece.pixel(5, 3)).red(), 255);
    EXPECT_EQ(qAlpha(piece.pixel(6, 3)), 0);
}

TEST(ToolbarImages, CommittedStripsHaveTheirSizeAndDrawnSlots) {
    for (const char* name : {":/toolbar/toolbar.bmp", ":/toolbar/toolbar-disabled.bmp"}) {
        const QImage strip{QString::fromLatin1(name)};
        ASSERT_EQ(strip.size(), QSize(400, 33)) << name;
        EXPECT_EQ(strip.depth() <= 8 || strip.format() == QImage::Format_Indexed8, true);
        for (int slot = 0; slot < 3; ++slot) {
            const QImage piece = StripImage(strip, slot).toImage();
            int opaque = 0;
            for (int y = 0; y < piece.height(); ++y)
                for (int x = 0; x < piece.width(); ++x)
                    opaque += qAlpha(piece.pixel(x, y)) == 255;
            EXPECT_GT(opaque, 200) << name << " slot " << slot;
            EXPECT_LT(opaque, 40 * 32) << name << " slot " << slot;
        }
    }
}

TEST(AboutBox, TextsIconAndDefaultOk) {
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), "About BrenvaldorFlash");
    EXPECT_EQ(about.findChild<QLabel*>("aboutVersion")->text(), "BrenvaldorFlash Version 1.4.1021a");
    EXPECT_FALSE(about.findChild<QLabel*>("aboutSecondLine")->text().isEmpty());
    EXPECT_FALSE(about.findChild<QLabel*>("aboutIcon")->pixmap().isNull());
    auto* ok = about.findChild<QPushButton*>("aboutOk");
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_TRUE(ok->isDefault());
    about.show();
    ok->click();
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST(SerialPortsWindow, ListsEveryPortWithItsStateAndFix) {
    SerialPortsDialog dialog{PortMap{}};
    PortEntry usb;
    usb.port = 5;
    usb.path = "/dev/serial/by-id/usb-x";
    usb.exists = true;
    usb.device = "/dev/ttyUSB0";
    usb.usbDescription = "FTDI FT232R (0403:6001)";
    usb.byIdNames = {"usb-x"};
    usb.group = "dialout";
    usb.fix = PermissionFix("dialout");
    PortEntry missing;
    missing.port = 6;
    missing.path = "/dev/ttyUSB1";
    dialog.Show({usb, missing});
    auto* table = dialog.findChild<QTableWidget*>("portTable");
    ASSERT_EQ(table->rowCount(), 2);
    EXPECT_EQ(table->item(0, 0)->text(), "COM5");
    EXPECT_EQ(table->item(0, 1)->text(), "/dev/serial/by-id/usb-x -> /dev/ttyUSB0");
    EXPECT_EQ(table->item(0, 2)->text(), "yes");
    EXPECT_EQ(table->item(0, 3)->text(), "FTDI FT232R (0403:6001)");
    EXPECT_EQ(table->item(0, 4)->text(), "usb-x");
    EXPECT_EQ(table->item(0, 5)->text(), "no");
    EXPECT_TRUE(table->item(0, 6)->text().contains("usermod -aG dialout"));
    EXPECT_EQ(table->item(1, 2)->text(), "no");
    EXPECT_EQ(table->item(1, 5)->text(), "");
    // Opened without entries it lists COM1 to COM28.
    SerialPortsDialog fresh{PortMap{}};
    EXPECT_EQ(fresh.findChild<QTableWidget*>("portTable")->rowCount(), 28);
}

} // namespace
} // namespace bf::test
