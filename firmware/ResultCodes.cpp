#include "ResultCodes.h"

#include "Link.h"

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
constexpr std::array<CodeBox, 10> kCodeBoxes{{
    {"", ""},
    {"No answer from Brenvaldor\nController must be in 'Connect PC' mode \nand serial cable attached to Port "
     "P211",
     "Error: 1"},
    {"Wrong answer from Brenvaldor  ", "Error: 2"},
    {"Progam - Wrong answer  ", "Error: 3"},
    {"Progam - Checksum error  ", "Error: 4"},
    {"Progam - Block not empty  ", "Error: 5"},
    {"Progam - Adress out of bounds  ", "Error: 6"},
    {"Progam - To many resends ", "Error: 7"},
    {"", ""},
    {"Serial port busy or not found  ", "Error: 9"},
}};

constexpr char kGenericBoxFormat[] = "Error: ";

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
        host.MessageBox(kCodeBoxes[code].text, kCodeBoxes[code].caption, BoxIcon::Error);
        return;
    }
    host.MessageBox(kGenericBoxFormat + std::to_string(code), "", BoxIcon::None);
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
        s.host.MessageBox(reason, box.caption, BoxIcon::Error);
    else
        s.host.MessageBox(box.text, box.caption, BoxIcon::Error);
    EndOfCommand(s, profile);
}

} // namespace bf
