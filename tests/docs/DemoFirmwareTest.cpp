// The demo firmware that scripts/run offers loads as a real firmware file does, and gives the
// simulated controller a short update that ends with a verified sector.
#include "core/FileSystem.h"
#include "firmware/FirmwareFile.h"
#include "firmware/FirmwareImage.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(DemoFirmwareTest, ConvertsWithoutErrorIntoTwoSectors) {
    bf::InputFile file(BF_DEMO_FIRMWARE);
    ASSERT_TRUE(file.IsOpen()) << "the build did not write " << BF_DEMO_FIRMWARE;
    auto image = std::make_unique<bf::FirmwareImage>();
    image->ClearImage();
    const bf::ConversionResult result = bf::ConvertSRecordFile(file, file.Size(), *image, [](int) {});
    ASSERT_TRUE(result.ok()) << "Error: " << result.errorNumber << ", read error " << result.readError;

    // Sector 0 (the banner) and sector 4, which the controller's checksum report covers.
    EXPECT_EQ(image->CountEraseFrames(), 2);
    EXPECT_EQ(image->CountWriteFrames(), 3 + 256); // the 77-byte banner, then 8 KiB
    EXPECT_EQ(image->data()[0], 'B');
    EXPECT_NE(image->data()[0x10000], bf::FirmwareImage::kBlank);
}

} // namespace
