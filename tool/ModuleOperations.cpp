#include "tool/ModuleOperations.h"

#include "firmware/FirmwareCommands.h"
#include "firmware/FlashUpdate.h"
#include "firmware/ProgramBackup.h"
#include "link/PortSearch.h"
#include "params/ParameterBackup.h"
#include "params/ParameterErase.h"
#include "params/ParameterUpdate.h"

namespace bf {

void ModuleOperations::OpenFirmware(Host& host, FirmwareImage& image, ImageState& state) {
    bf::OpenFirmware(host, image, state);
}
void ModuleOperations::SaveFirmwareAs(Host& host, const FirmwareImage& image) {
    bf::SaveFirmwareAs(host, image);
}
void ModuleOperations::UpdateProgram(Session& s, FirmwareImage& image, const ImageState& state) {
    bf::UpdateProgram(s, image, state);
}
void ModuleOperations::BackupProgram(Session& s) {
    bf::BackupProgram(s);
}
void ModuleOperations::ResetController(Session& s) {
    bf::ResetController(s);
}
void ModuleOperations::ParameterBackup(Session& s) {
    bf::ParameterBackup(s);
}
void ModuleOperations::ParameterUpdate(Session& s) {
    bf::ParameterUpdate(s);
}
void ModuleOperations::ParameterEdit(Host& host) {
    bf::ParameterEdit(host);
}
void ModuleOperations::EraseParameterBlocks(Session& s) {
    bf::EraseParameterBlocks(s);
}

} // namespace bf
