// firmware_load <hex or bin> <bin>: Open and Save As without a window, for whole-process timing
// next to other S-record converters.
#include "bench/firmware/HeadlessHost.h"
#include "firmware/FirmwareCommands.h"

#include <cstdio>
#include <memory>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: firmware_load <hex or bin> <bin>\n");
        return 2;
    }
    bf::bench::HeadlessHost host(argv[1], argv[2]);
    auto image = std::make_unique<bf::FirmwareImage>();
    bf::ImageState state;
    bf::OpenFirmware(host, *image, state);
    if (!state.loaded) {
        std::fprintf(stderr, "firmware_load: %s not loaded %s\n", argv[1], host.lastBox.c_str());
        return 1;
    }
    bf::SaveFirmwareAs(host, *image);
    if (host.boxShown) {
        std::fprintf(stderr, "firmware_load: %s\n", host.lastBox.c_str());
        return 1;
    }
    return 0;
}
