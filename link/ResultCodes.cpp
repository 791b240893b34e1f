#include "link/ResultCodes.h"

#include "link/Link.h"

#include <array>
#include <string>
#include <string_view>

namespace bf {

namespace {

struct CodeBox {
    std::string_view text;
    std::string_view caption;
};

// Texts and captions exactly as the controller tools have always shown them, blanks included.
constexpr char kBoxNoAnswer[] =
    "No answer from Brenvaldor\nController must be in 'Connect PC' mode \nand serial "
    "cable attached to Port P211";
constexpr char kBoxNoAnswerCaption[] = "Error: 1";
constexpr char kBoxWrongAnswer[] = "Wrong answer from Brenvaldor  ";
constexpr char kBoxWrongAnswerCaption[] = "Error: 2";
constexpr char kBoxProgramWrongAnswer[] = "Progam - Wrong answer  ";
constexpr char kBoxProgramWrongAnswerCaption[] = "Error: 3";
constexpr char kBoxChecksumError[] = "Progam - Checksum error  ";
constexpr char kBoxChecksumErrorCaption[] = "Error: 4";
constexpr char kBoxBlockNotEmpty[] = "Progam - Block not empty  ";
constexpr char kBoxBlockNotEmptyCaption[] = "Error: 5";
constexpr char kBoxAddressOutOfBounds[] = "Progam - Adress out of bounds  ";
constexpr char kBoxAddressOutOfBoundsCaption[] = "Error: 6";
constexpr char kBoxTooManyResends[] = "Progam - To many resends ";
constexpr char kBoxTooManyResendsCaption[] = "Error: 7";
constexpr char kBoxPortFailure[] = "Serial port busy or not found  ";
constexpr char kBoxPortFailureCaption[] = "Error: 9";

constexpr std::array<CodeBox, 10> kCodeBoxes{{
    {"", ""},
    {kBoxNoAnswer, kBoxNoAnswerCaption},
    {kBoxWrongAnswer, kBoxWrongAnswerCaption},
    {kBoxProgramWrongAnswer, kBoxProgramWrongAnswerCaption},
    {kBoxChecksumError, kBoxChecksumErrorCaption},
    {kBoxBlockNotEmpty, kBoxBlockNotEmptyCaption},
    {kBoxAddressOutOfBounds, kBoxAddressOutOfBoundsCaption},
    {kBoxTooManyResends, kBoxTooManyResendsCaption},
    {"", ""},
    {kBoxPortFailure, kBoxPortFailureCaption},
}};

constexpr char kBoxGenericCode[] = "Error: ";

bool HasOwnBox(std::uint8_t code, const CommandProfile& profile) {
    return code < kCodeBoxes.size() && (profile.ownCodes & CodeBit(code)) != 0;
}

void EndOfCommand(Session& s, const CommandProfile& profile) {
    if (profile.restoresToolbar)
        s.host.EnableToolbarButtons(true, true, true);
    s.host.UpdateProgress(0, 1);
}

} // namespace

void ShowResultBox(Host& host, std::uint8_t code, const CommandProfile& profile) {
    if (HasOwnBox(code, profile)) {
        host.ShowMessageBox(kCodeBoxes[code].text, kCodeBoxes[code].caption, BoxIcon::Error);
        return;
    }
    host.ShowMessageBox(kBoxGenericCode + std::to_string(code), "", BoxIcon::None);
}

void ClosePortAndLog(Session& s) {
    try {
        s.port.Close();
    } catch (const CSerialException&) {
        // A vanished device may refuse even the close; the descriptor is gone either way.
    }
    s.host.AppendLog(kLogSerialPortClosed);
}

void FailureExit(Session& s, std::uint8_t code, const CommandProfile& profile) {
    ClosePortAndLog(s);
    ShowResultBox(s.host, code, profile);
    EndOfCommand(s, profile);
}

void PortFailureExit(Session& s, const CSerialException& error, const CommandProfile& profile) {
    ClosePortAndLog(s);
    char reason[256];
    const CodeBox& box = kCodeBoxes[result::PortFailure];
    if (error.GetErrorMessage(reason, sizeof reason) && reason[0] != '\0')
        s.host.ShowMessageBox(reason, box.caption, BoxIcon::Error);
    else
        s.host.ShowMessageBox(box.text, box.caption, BoxIcon::Error);
    EndOfCommand(s, profile);
}

} // namespace bf
