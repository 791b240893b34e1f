#pragma once

#include "tool/CommandIds.h"
#include "tool/Operations.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace bf::test {

// Every command that starts an operation, with the name the recorder gives that operation.
inline const std::vector<std::pair<int, std::string>> kOperationCommands{
    {cmd_id::FileOpen, "OpenFirmware"},
    {cmd_id::ToolbarOpen, "OpenFirmware"},
    {cmd_id::FileSaveAs, "SaveFirmwareAs"},
    {cmd_id::FileBackup, "BackupProgram"},
    {cmd_id::FileUpdate, "UpdateProgram"},
    {cmd_id::ToolbarUpdate, "UpdateProgram"},
    {cmd_id::FileReset, "ResetController"},
    {cmd_id::ParamBackup, "ParameterBackup"},
    {cmd_id::ParamUpdate, "ParameterUpdate"},
    {cmd_id::ParamEdit, "ParameterEdit"},
    {cmd_id::ParamErase, "EraseParameterBlocks"},
    {cmd_id::PopupParamBackup, "ParameterBackup"},
    {cmd_id::PopupParamUpdate, "ParameterUpdate"},
};

// Records which operation ran; `during` runs inside it, where a real operation would work.
class RecordingOperations final : public Operations {
  public:
    std::vector<std::string> ran;
    std::function<void(Host&, Session*)> during;

    void OpenFirmware(Host& h, FirmwareImage&, ImageState&) override { Run("OpenFirmware", h, nullptr); }
    void SaveFirmwareAs(Host& h, const FirmwareImage&) override { Run("SaveFirmwareAs", h, nullptr); }
    void UpdateProgram(Session& s, FirmwareImage&, const ImageState&) override {
        Run("UpdateProgram", s.host, &s);
    }
    void BackupProgram(Session& s) override { Run("BackupProgram", s.host, &s); }
    void ResetController(Session& s) override { Run("ResetController", s.host, &s); }
    void ParameterBackup(Session& s) override { Run("ParameterBackup", s.host, &s); }
    void ParameterUpdate(Session& s) override { Run("ParameterUpdate", s.host, &s); }
    void ParameterEdit(Host& h) override { Run("ParameterEdit", h, nullptr); }
    void EraseParameterBlocks(Session& s) override { Run("EraseParameterBlocks", s.host, &s); }

  private:
    void Run(const std::string& name, Host& host, Session* session) {
        ran.push_back(name);
        if (during)
            during(host, session);
    }
};

} // namespace bf::test
