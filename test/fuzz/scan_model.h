// An independent reading of "%d.%d" with saturation, built on the C library's strtoimax
// (which saturates on its own) instead of the program's hand-written scan.
#pragma once

#include <cinttypes>
#include <climits>
#include <cstdlib>

struct ModelVersion {
    int major = 0;
    int minor = 0;
};

inline bool ModelScanInt(const char* text, const char** end, int* out)
{
    char* stop = nullptr;
    const std::intmax_t value = std::strtoimax(text, &stop, 10);
    if (stop == text)
        return false;
    *out = value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
    *end = stop;
    return true;
}

inline ModelVersion ModelParse(const char* name)
{
    ModelVersion version;
    const char* rest = nullptr;
    if (ModelScanInt(name, &rest, &version.major) && *rest == '.')
        ModelScanInt(rest + 1, &rest, &version.minor);
    return version;
}
