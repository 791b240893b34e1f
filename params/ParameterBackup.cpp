#include "params/ParameterBackup.h"

#include "core/FileSystem.h"
#include "core/FileUtil.h"
#include "link/Link.h"
#include "params/ParameterCapture.h"
#include "params/ParameterFile.h"
#include "params/ParameterLink.h"

#include <cerrno>
#include <string>

namespace bf {

namespace {

constexpr char kLogHandshakeNoAnswer[] = "HANDSHAKE CONTROLLER - NO ANSWER";
constexpr char kLogPrintoutOffNoAnswer[] = "DRIVE PRINTOUT OFF - NO ANSWER";
constexpr char kLogReadParameters[] = "READ SETUP PARAMETERS";
constexpr char kLogReadParametersNoAnswer[] = "READ SETUP PARAMETERS - NO ANSWER";
constexpr char kLogPrintoutOnNoAnswer[] = "DRIVE PRINTOUT ON - NO ANSWER";
constexpr char kLogFileNotCreated[] = "PARAMETER FILE CANNOT BE CREATED - ";
constexpr char kLogFileNotWritten[] = "PARAMETER FILE NOT WRITTEN - ";
constexpr char kLogFileKept[] = "PARAMETER FILE KEPT - NOTHING RECEIVED";
constexpr char kLogCaptureFull[] = "PARAMETER PRINTOUT TOO LARGE - CAPTURE STOPPED";
constexpr char kBoxCaptureFull[] = "The parameter printout is larger than the capture can hold.\n"
                                   "The capture was stopped; the bytes received so far are saved.";
constexpr char kBoxCaptureFullCaption[] = "Parameter Backup";
constexpr char kBoxCaptionTitle[] = "";

// The editor opens only a file that is there: a new name starts as an empty file, while an
// existing file (or anything else by that name) is left as it is. 0 or the errno of the failure.
int CreateIfMissing(const std::string& path) {
    NewFile file;
    const int error = file.Create(path);
    return error == EEXIST ? 0 : error;
}

// Sends an escape pair and waits for the controller's two-byte answer.
bool Exchange(Session& s, std::uint8_t code, std::uint8_t answerCode) {
    const std::uint8_t pair[2] = {esc::Escape, code};
    SendBytes(s, pair, sizeof pair);
    return WaitForPair(s, esc::Escape, answerCode);
}

CommandResult ReportEnd(Session& s, const ParameterCapture& capture, ParameterCapture::End end) {
    switch (end) {
    case ParameterCapture::End::TextEnd:
        s.host.AppendLog(NumberOfParametersLine(capture.ParameterCount()));
        return CommandResult::Done();
    case ParameterCapture::End::Full:
        s.host.AppendLog(kLogCaptureFull);
        s.host.ShowMessageBox(kBoxCaptureFull, kBoxCaptureFullCaption, BoxIcon::Error);
        return CommandResult::Failed(result::WrongAnswer);
    default:
        return CommandResult::Failed(result::NoAnswer);
    }
}

// Captures the printout into the temporary file beside the target. `replace` tells whether the
// target is to be replaced with it: not when the file could not be created, nor when the capture
// received nothing and a file is there (a failed backup must not wipe out the previous one), nor
// when a caller that wants only whole printouts did not get one.
CommandResult CaptureToFile(Session& s, AtomicFileWriter& file, const BackupOptions& options, bool& replace) {
    if (!file.Open()) {
        s.host.AppendLog(kLogFileNotCreated + UpperLogText(SystemReason(file.Error())));
        return CommandResult::Of(CommandResult::End::FileFailed);
    }
    ParameterCapture capture(s, options.captureCap);
    const CommandResult result = ReportEnd(s, capture, capture.Run());
    const auto& bytes = capture.Bytes();
    if (bytes.empty() && TypeOf(file.Path()) != FileType::Missing) {
        s.host.AppendLog(kLogFileKept);
        return result;
    }
    if (result.end != CommandResult::End::Done && !options.keepPartial)
        return result;
    file.Write(bytes.data(), bytes.size()); // a failed write fails the commit with its reason
    replace = true;
    return result;
}

CommandResult RunBackup(Session& s, const std::string& path, const BackupOptions& options) {
    if (!Exchange(s, esc::Hello, esc::Ack))
        s.host.AppendLog(kLogHandshakeNoAnswer);
    if (!Exchange(s, esc::PrintoutOff, esc::Ack))
        s.host.AppendLog(kLogPrintoutOffNoAnswer);
    s.host.AppendLog(Exchange(s, esc::ReadParameters, esc::Text) ? kLogReadParameters
                                                                 : kLogReadParametersNoAnswer);
    AtomicFileWriter file(path);
    bool replace = false;
    const CommandResult captured = CaptureToFile(s, file, options, replace);
    if (!Exchange(s, esc::PrintoutOn, esc::Ack))
        s.host.AppendLog(kLogPrintoutOnNoAnswer);
    // The file replaces the old one only now: a port that fails before, also while the printout
    // is switched on again, leaves an existing file as it was.
    if (replace && !file.Commit()) {
        s.host.AppendLog(kLogFileNotWritten + UpperLogText(SystemReason(file.Error())));
        if (!file.KeptPath().empty()) // the printout is not lost: say where it is
            s.host.ShowMessageBox(file.ErrorText(), kBoxCaptionTitle, BoxIcon::Error);
        return CommandResult::Of(CommandResult::End::FileFailed);
    }
    return captured;
}

} // namespace

CommandResult ParameterBackup(Session& s, const BackupOptions& options) {
    const auto path = AskParameterFileToSave(s.host);
    if (!path)
        return CommandResult::Of(CommandResult::End::Cancelled);
    // Said before the controller is contacted: a device, a pipe or a socket is never replaced.
    if (IsSpecialFile(*path)) {
        s.host.ShowMessageBox(FileWriteErrorText(*path, kNotRegularFile), kBoxCaptionTitle, BoxIcon::Error);
        return CommandResult::Of(CommandResult::End::FileFailed);
    }
    if (const std::uint8_t code = OpenParameterLink(s); code != result::Ok)
        return CommandResult::Failed(code);
    try {
        const CommandResult r = RunBackup(s, *path, options);
        CloseParameterLink(s);
        return r;
    } catch (const CSerialException& e) {
        EndParameterLinkOnFailure(s, e);
        return CommandResult::Failed(result::PortFailure);
    }
}

void ParameterEdit(Host& host) {
    const auto path = AskParameterFileToOpen(host);
    if (!path)
        return;
    if (const int error = CreateIfMissing(*path); error != 0) {
        host.ShowMessageBox(FileWriteErrorText(*path, error), kBoxCaptionTitle, BoxIcon::Error);
        return;
    }
    host.OpenInTextEditor(*path);
}

} // namespace bf
