#include "link/ResultCodes.h"
#include "tests/support/RecordingHost.h"

#include <gtest/gtest.h>

#include <string>

namespace bf::test {
namespace {

RecordingHost::Box BoxFor(std::uint8_t code, const CommandProfile& profile) {
    VirtualClock clock;
    RecordingHost host(clock);
    ShowResultBox(host, code, profile);
    EXPECT_EQ(host.boxes.size(), 1u);
    return host.boxes.at(0);
}

TEST(ResultCodesTest, OtherCodesGetTheGenericBox) {
    struct Case {
        std::uint8_t code;
        const CommandProfile* profile;
    };
    const Case cases[] = {{8, &kUpdateProfile}, {0, &kUpdateProfile}, {3, &kBackupProfile},
                          {8, &kBackupProfile}, {4, &kEraseProfile},  {200, &kEraseProfile}};
    for (const Case& c : cases) {
        const auto box = BoxFor(c.code, *c.profile);
        EXPECT_EQ(box.text, "Error: " + std::to_string(c.code));
        EXPECT_EQ(box.caption, "");
        EXPECT_EQ(box.icon, BoxIcon::None);
    }
}

TEST(ResultCodesTest, EachCommandHasItsOwnSetOfTexts) {
    for (std::uint8_t code : {1, 2, 9})
        EXPECT_EQ(BoxFor(code, kBackupProfile).icon, BoxIcon::Error);
    for (std::uint8_t code : {1, 2, 3, 9})
        EXPECT_EQ(BoxFor(code, kEraseProfile).icon, BoxIcon::Error);
    EXPECT_EQ(BoxFor(3, kEraseProfile).text, "Progam - Wrong answer  ");
}

} // namespace
} // namespace bf::test
