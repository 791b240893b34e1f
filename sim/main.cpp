// brenvaldor-sim: the lift controller model on a pseudo-terminal, for trying the tool without
// hardware and for the end-to-end tests.
#include "sim/ControllerModel.h"
#include "sim/PtyServer.h"
#include "sim/SimOptions.h"

#include <csignal>
#include <cstdio>
#include <exception>
#include <fstream>
#include <sstream>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) {
    g_stop = 1;
}

void InstallSignalHandlers() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

bool LoadPrintout(const std::string& path, std::string& printout) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream text;
    text << in.rdbuf();
    printout = text.str();
    return true;
}

// The texts the PC sent, each framed as on the line, for a test or a user to compare. False when
// the file could not be written whole.
bool WriteRecord(const std::string& path, const bf::sim::ControllerModel& model) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const std::string& text : model.receivedTexts)
        out << "\xFF\x23" << text;
    out.close();
    return !out.fail();
}

} // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto options = bf::sim::ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::fprintf(stderr, "brenvaldor-sim: %s\n%s", error.c_str(), bf::sim::SimUsage());
        return 2;
    }
    if (options->help) {
        std::fputs(bf::sim::SimUsage(), stdout);
        return 0;
    }
    bf::sim::ControllerModel model;
    model.faults = options->faults;
    if (!options->printoutFile.empty() && !LoadPrintout(options->printoutFile, model.parameterPrintout)) {
        std::fprintf(stderr, "brenvaldor-sim: cannot read %s\n", options->printoutFile.c_str());
        return 1;
    }
    InstallSignalHandlers();
    try {
        bf::sim::PtyServer server(model, {options->linkPath, options->pace, options->rateCheck});
        std::printf("%s\n", server.TerminalPath().c_str());
        std::fflush(stdout);
        server.Run(g_stop);
        if (!options->recordFile.empty() && !WriteRecord(options->recordFile, model)) {
            std::fprintf(stderr, "brenvaldor-sim: cannot write %s\n", options->recordFile.c_str());
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "brenvaldor-sim: %s\n", e.what());
        return 1;
    }
    return 0;
}
