#include "fuzz/Violation.h"

#include <cstdio>
#include <cstdlib>

namespace bf::fuzz {

namespace {
std::function<void()>& Report() {
    static std::function<void()> report;
    return report;
}
} // namespace

void OnViolation(std::function<void()> report) {
    Report() = std::move(report);
}

void Violation(const char* rule) {
    if (Report())
        Report()();
    std::fprintf(stderr, "fuzz check failed: %s\n", rule);
    std::abort();
}

} // namespace bf::fuzz
