#pragma once

#include "FirmwareImage.h"
#include "Host.h"

namespace bf {

// File > Open...: loads an S-record (.hex) or binary (.bin) file into the image and counts blocks.
void OpenFirmware(Host& host, FirmwareImage& image, ImageState& state);
// File > Save As...: writes the whole image to a .bin file, atomically.
void SaveFirmwareAs(Host& host, const FirmwareImage& image);

} // namespace bf
