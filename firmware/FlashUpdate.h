#pragma once

#include "firmware/FirmwareImage.h"
#include "link/CommandResult.h"
#include "link/Session.h"

namespace bf {

// The log line that starts the write phase (the frames of the image, acknowledged one by one).
constexpr char kLogWritePhase[] = "UPDATE PROGRAM";

// Why the image must not go to the controller (the text of the box that refuses it), or nullptr
// when it may: it was not loaded whole, or it holds nothing to write.
const char* UpdateRefusal(const ImageState& state);

// File > Update: erase, write and verify the loaded image in the controller's flash.
CommandResult UpdateProgram(Session& s, FirmwareImage& image, const ImageState& state);

// The update's connection, verification and return to 9600 alone: asks the controller for its
// sector checksums and compares those of the sectors the image touches, erasing and writing
// nothing. The comparison stays in the image (SectorChecksumMatches).
CommandResult VerifyProgram(Session& s, FirmwareImage& image, const ImageState& state);

} // namespace bf
