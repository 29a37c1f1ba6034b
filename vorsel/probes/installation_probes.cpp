#include "installation_probes.h"

#include "key_holder.h"

#include <windows.h>

#include <climits>
#include <cstring>
#include <exception>
#include <string>

namespace {

const char kOfficeKeyPath[] = "SOFTWARE\\Microsoft\\Office";

// A subkey name of up to 31 characters and its terminator; longer names end the scan.
const DWORD kSubkeyNameChars = 32;
const DWORD kBitnessDataBytes = 32;

// The white space that %d skips in the C locale.
bool IsScanSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// One %d conversion, saturating like strtol. Returns the first character after the
// digits, or nullptr (and leaves *out alone) when there are no digits to convert.
const char* ScanInt(const char* p, int* out)
{
    while (IsScanSpace(*p))
        ++p;
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-')
        ++p;
    if (!IsDigit(*p))
        return nullptr;

    // The magnitude is capped one past INT_MAX so that INT_MIN itself stays exact.
    const long long cap = static_cast<long long>(INT_MAX) + 1;
    long long magnitude = 0;
    for (; IsDigit(*p); ++p) {
        if (magnitude < cap)
            magnitude = magnitude * 10 + (*p - '0');
    }
    if (magnitude > cap)
        magnitude = cap;

    if (negative)
        *out = static_cast<int>(-magnitude);
    else
        *out = magnitude > INT_MAX ? INT_MAX : static_cast<int>(magnitude);
    return p;
}

bool IsNewer(const OfficeVersion& a, const OfficeVersion& b)
{
    return a.major > b.major || (a.major == b.major && a.minor > b.minor);
}

bool OpenKey(const char* path, KeyHolder* key)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    *key = KeyHolder(opened);
    return true;
}

// Only the bytes the query returned count: "x64" with or without a terminator is 64-bit,
// whatever the buffer held before.
bool ReadsX64(const char* data, DWORD size)
{
    const void* zero = std::memchr(data, '\0', size);
    const size_t length = zero != nullptr ? static_cast<size_t>(static_cast<const char*>(zero) - data) : size;
    return length == 3 && std::memcmp(data, "x64", 3) == 0;
}

bool ProbeOutlook64Bit()
{
    KeyHolder office;
    if (!OpenKey(kOfficeKeyPath, &office))
        return false;

    OfficeVersion best;
    std::string chosen;
    char name[kSubkeyNameChars];
    for (DWORD index = 0;; ++index) {
        DWORD length = kSubkeyNameChars;
        if (RegEnumKeyExA(office.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        const OfficeVersion version = ParseOfficeVersion(name);
        if (IsNewer(version, best)) {
            best = version;
            chosen = name;
        }
    }
    if (chosen.empty())
        return false;

    // Only the newest version counts; an older Office's Outlook is not a fall-back.
    std::string outlookPath = kOfficeKeyPath;
    outlookPath += '\\';
    outlookPath += chosen;
    outlookPath += "\\Outlook";
    KeyHolder outlook;
    if (!OpenKey(outlookPath.c_str(), &outlook))
        return false;

    char bitness[kBitnessDataBytes];
    DWORD type = 0;
    DWORD size = sizeof bitness;
    if (RegQueryValueExA(outlook.Get(), "Bitness", nullptr, &type, reinterpret_cast<LPBYTE>(bitness), &size) !=
        ERROR_SUCCESS)
        return false;
    return ReadsX64(bitness, size < sizeof bitness ? size : sizeof bitness);
}

} // namespace

OfficeVersion ParseOfficeVersion(const char* name) noexcept
{
    OfficeVersion version;
    const char* rest = ScanInt(name, &version.major);
    if (rest != nullptr && *rest == '.')
        ScanInt(rest + 1, &version.minor);
    return version;
}

bool IsOutlook64Bit() noexcept
{
    // Running out of memory while the key path grows is one more way for the probe to fail;
    // the holders have closed both keys by the time it lands here.
    try {
        return ProbeOutlook64Bit();
    } catch (const std::exception&) {
        return false;
    }
}

bool IsComponentInstalled(const char* subKeyPath) noexcept
{
    KeyHolder profile;
    if (!OpenKey(subKeyPath, &profile))
        return false;

    // The type is not checked: any data of up to four bytes with a non-zero byte counts.
    DWORD installed = 0;
    DWORD type = 0;
    DWORD size = sizeof installed;
    const LONG status =
        RegQueryValueExA(profile.Get(), "installed", nullptr, &type, reinterpret_cast<LPBYTE>(&installed), &size);
    profile.Close();
    return status == ERROR_SUCCESS && installed != 0;
}
