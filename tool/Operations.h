#pragma once

#include "core/Host.h"
#include "firmware/FirmwareImage.h"
#include "link/Session.h"

namespace bf {

// The controller and file operations the commands start. The program runs the real modules
// (ModuleOperations); tests put a recorder here.
class Operations {
  public:
    virtual ~Operations() = default;
    virtual void OpenFirmware(Host& host, FirmwareImage& image, ImageState& state) = 0;
    virtual void SaveFirmwareAs(Host& host, const FirmwareImage& image) = 0;
    virtual void UpdateProgram(Session& s, FirmwareImage& image, const ImageState& state) = 0;
    virtual void BackupProgram(Session& s) = 0;
    virtual void ResetController(Session& s) = 0;
    virtual void ParameterBackup(Session& s) = 0;
    virtual void ParameterUpdate(Session& s) = 0;
    virtual void ParameterEdit(Host& host) = 0;
    virtual void EraseParameterBlocks(Session& s) = 0;
};

} // namespace bf
