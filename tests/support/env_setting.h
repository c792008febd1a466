// A number a test takes from the environment (a smaller run where the
// machine is slow, emulated say), or its usual value.
#pragma once

#include <cstddef>
#include <cstdlib>

inline std::size_t EnvSetting(const char* name, std::size_t fallback) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') return fallback;
    return static_cast<std::size_t>(std::strtoull(value, nullptr, 10));
}
