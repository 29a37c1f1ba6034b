// Read-only registry probes: which Outlook build the newest Office has, and which product
// components are marked installed. Any failure on the way is the answer false.
#pragma once

struct OfficeVersion {
    int major = 0;
    int minor = 0;
};

// Reads an Office version subkey name the way "%d.%d" would, except that numbers outside
// the int range saturate instead of being undefined. What is not read stays 0.
OfficeVersion ParseOfficeVersion(const char* name) noexcept;

bool IsOutlook64Bit() noexcept;
bool IsComponentInstalled(const char* subKeyPath) noexcept;
