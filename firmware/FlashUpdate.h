#pragma once

#include "FirmwareImage.h"
#include "Session.h"

namespace bf {

// File > Update: erase, write and verify the loaded image in the controller's flash.
void UpdateProgram(Session& s, FirmwareImage& image, const ImageState& state);

} // namespace bf
