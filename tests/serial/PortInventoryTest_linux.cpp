#include "serial/PortInventory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <grp.h>
#include <unistd.h>

namespace bf {
namespace {

namespace fs = std::filesystem;

// A small /dev and /sys of our own: a USB adapter ttyUSB0 with a by-id name, a plain ttyS4.
class PortInventoryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_root = fs::temp_directory_path() / ("bf-inv-" + std::to_string(::getpid()));
        fs::remove_all(m_root);
        const auto usb = m_root / "sys/devices/pci0/usb1/1-1";
        fs::create_directories(usb / "1-1:1.0/ttyUSB0");
        fs::create_directories(m_root / "sys/devices/platform/serial8250/ttyS4");
        Write(usb / "idVendor", "0403\n");
        Write(usb / "idProduct", "6001\n");
        Write(usb / "manufacturer", "FTDI\n");
        Write(usb / "product", "FT232R USB UART\n");
        fs::create_directories(m_root / "sys/class/tty/ttyUSB0");
        fs::create_directories(m_root / "sys/class/tty/ttyS4");
        fs::create_directory_symlink(usb / "1-1:1.0/ttyUSB0", m_root / "sys/class/tty/ttyUSB0/device");
        fs::create_directory_symlink(m_root / "sys/devices/platform/serial8250/ttyS4",
                                     m_root / "sys/class/tty/ttyS4/device");
        fs::create_directories(m_root / "dev/serial/by-id");
        Write(m_root / "dev/ttyUSB0", "");
        Write(m_root / "dev/ttyS4", "");
        fs::create_symlink("../../ttyUSB0", m_root / "dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0");
        fs::create_symlink("../../ttyUSB7", m_root / "dev/serial/by-id/usb-gone-if00-port0");
        m_roots.sysClassTty = (m_root / "sys/class/tty").string();
        m_roots.serialById = (m_root / "dev/serial/by-id").string();
    }
    void TearDown() override { fs::remove_all(m_root); }

    static void Write(const fs::path& p, const std::string& text) { std::ofstream(p) << text; }
    std::string Dev(const std::string& name) const { return (m_root / "dev" / name).string(); }

    fs::path m_root;
    InventoryRoots m_roots;
};

TEST_F(PortInventoryTest, UsbAdapterThroughALinkShowsDescriptionAndByIdName) {
    fs::create_symlink(m_root / "dev/ttyUSB0", m_root / "dev/mylink");
    const auto e = DescribePort(5, Dev("mylink"), m_roots);
    EXPECT_EQ(e.port, 5);
    EXPECT_EQ(e.path, Dev("mylink"));
    EXPECT_TRUE(e.exists);
    EXPECT_EQ(e.device, Dev("ttyUSB0"));
    EXPECT_EQ(e.usbDescription, "FTDI FT232R USB UART (0403:6001)");
    EXPECT_EQ(e.byIdNames, std::vector<std::string>{"usb-FTDI_FT232R_A1-if00-port0"});
    EXPECT_TRUE(e.accessible);
    EXPECT_EQ(e.fix, "");
    EXPECT_FALSE(e.group.empty());
}

TEST_F(PortInventoryTest, PlainPortHasNoUsbDescription) {
    const auto e = DescribePort(1, Dev("ttyS4"), m_roots);
    EXPECT_TRUE(e.exists);
    EXPECT_EQ(e.usbDescription, "");
    EXPECT_TRUE(e.byIdNames.empty());
}

TEST_F(PortInventoryTest, MissingDeviceOrEmptyPathIsNotThere) {
    for (const std::string& path : {Dev("ttyUSB7"), std::string()}) {
        const auto e = DescribePort(12, path, m_roots);
        EXPECT_FALSE(e.exists) << path;
        EXPECT_FALSE(e.accessible);
        EXPECT_EQ(e.fix, "");
    }
}

TEST_F(PortInventoryTest, DeviceTheUserMayNotOpenShowsTheGroupFix) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may open every device";
    fs::permissions(m_root / "dev/ttyS4", fs::perms::none);
    const auto e = DescribePort(1, Dev("ttyS4"), m_roots);
    EXPECT_TRUE(e.exists);
    EXPECT_FALSE(e.accessible);
    EXPECT_EQ(e.fix, PermissionFix(e.group));
}

TEST(PortInventory, FixNamesTheGroupAndTheCommand) {
    EXPECT_EQ(
        PermissionFix("dialout"),
        "Add your user to group \"dialout\": sudo usermod -aG dialout $USER, then log out and in again");
}

TEST_F(PortInventoryTest, InventoryListsCom1To28ThroughThePortMap) {
    PortMap map;
    map.Override(7, Dev("ttyUSB0"));
    const auto entries = TakePortInventory(map, m_roots);
    ASSERT_EQ(entries.size(), 28u);
    EXPECT_EQ(entries.front().port, 1);
    EXPECT_EQ(entries.front().path, "/dev/ttyS0");
    EXPECT_EQ(entries[6].path, Dev("ttyUSB0"));
    EXPECT_TRUE(entries[6].exists);
    EXPECT_EQ(entries.back().port, 28);
    EXPECT_EQ(entries.back().path, "/dev/rfcomm7");
}

} // namespace
} // namespace bf
