#pragma once

#include <functional>

namespace bf::fuzz {

// Runs before a Violation aborts (to print what led to it); empty to run nothing.
void OnViolation(std::function<void()> report);

// A rule of a fuzz target was broken: says which on standard error and aborts, so that libFuzzer
// keeps the input as a crash and a replay of it fails.
[[noreturn]] void Violation(const char* rule);

// Violation(rule) unless `holds`.
inline void Require(bool holds, const char* rule) {
    if (!holds)
        Violation(rule);
}

} // namespace bf::fuzz
