#include "cli/JsonReport.h"

#include <nlohmann/json.hpp>

namespace bf::cli {

std::string JsonReport(const Report& report) {
    nlohmann::json j;
    j["command"] = report.command;
    j["port"] = report.port;
    j["device"] = report.device;
    j["baud"] = report.baud;
    j["result"] = report.result;
    j["message"] = report.message;
    j["log"] = report.log;
    j["elapsed_s"] = report.elapsedSeconds;
    j["output"] = report.output ? nlohmann::json(*report.output) : nlohmann::json(nullptr);
    return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

} // namespace bf::cli
