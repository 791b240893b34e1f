#pragma once

#include "tool/Operations.h"

namespace bf {

// The operations as the firmware, parameter and serial modules implement them.
class ModuleOperations final : public Operations {
  public:
    void OpenFirmware(Host& host, FirmwareImage& image, ImageState& state) override;
    void SaveFirmwareAs(Host& host, const FirmwareImage& image) override;
    void UpdateProgram(Session& s, FirmwareImage& image, const ImageState& state) override;
    void BackupProgram(Session& s) override;
    void ResetController(Session& s) override;
    void ParameterBackup(Session& s) override;
    void ParameterUpdate(Session& s) override;
    void ParameterEdit(Host& host) override;
    void EraseParameterBlocks(Session& s) override;
};

} // namespace bf
