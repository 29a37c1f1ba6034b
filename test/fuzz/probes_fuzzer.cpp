// Both probes over random Office trees and profile values, with now and then a failing call:
// never a crash or undefined behaviour, every handle closed, and, when nothing was made to
// fail, the answers of a plain model of the rules.
#include "probes/installation_probes.h"
#include "scan_model.h"
#include "standin.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const std::string kOffice = "SOFTWARE\\Microsoft\\Office";
const std::string kProfile = "SOFTWARE\\TolvenmarkLab\\protected\\Ostrand80\\profiles\\Anti_Spam";

struct Subkey {
    std::string name;
    bool outlook = false;
    bool bitness = false;
    std::vector<BYTE> data;
};

struct Value {
    bool present = false;
    std::vector<BYTE> data;
};

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// A registry name: no backslash, no NUL, not empty.
std::string ConsumeName(FuzzedDataProvider& fuzz)
{
    std::string name = fuzz.ConsumeRandomLengthString(40);
    for (char& c : name)
        if (c == '\\' || c == '\0')
            c = '_';
    return name.empty() ? "0" : name;
}

std::vector<BYTE> ConsumeBitness(FuzzedDataProvider& fuzz)
{
    std::vector<BYTE> data;
    switch (fuzz.ConsumeIntegralInRange(0, 3)) {
    case 1: data = standin::Text("x64"); break;
    case 2: data = standin::TextZ("x64"); break;
    case 3: data = standin::Text("x6"); break;
    default: break;
    }
    const std::vector<BYTE> tail = fuzz.ConsumeBytes<BYTE>(fuzz.ConsumeIntegralInRange(0, 36));
    data.insert(data.end(), tail.begin(), tail.end());
    return data;
}

bool ModelOutlook64Bit(bool officeKey, const std::vector<Subkey>& subkeys)
{
    if (!officeKey)
        return false;
    ModelVersion best;
    const Subkey* chosen = nullptr;
    for (const Subkey& subkey : subkeys) {
        if (subkey.name.size() >= 32)
            break;
        const ModelVersion version = ModelParse(subkey.name.c_str());
        if (version.major > best.major || (version.major == best.major && version.minor > best.minor)) {
            best = version;
            chosen = &subkey;
        }
    }
    if (chosen == nullptr || !chosen->outlook || !chosen->bitness || chosen->data.size() > 32)
        return false;
    const auto zero = std::find(chosen->data.begin(), chosen->data.end(), BYTE{0});
    return std::string(chosen->data.begin(), zero) == "x64";
}

bool ModelInstalled(const Value& installed)
{
    return installed.present && installed.data.size() <= 4 &&
           std::any_of(installed.data.begin(), installed.data.end(), [](BYTE b) { return b != 0; });
}

void Check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "%s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    FuzzedDataProvider fuzz(bytes, size);
    standin::Reset();

    const bool officeKey = fuzz.ConsumeBool();
    std::vector<Subkey> subkeys;
    std::vector<std::string> seen;
    if (officeKey) {
        standin::CreateKey(kOffice);
        const int count = fuzz.ConsumeIntegralInRange(0, 8);
        for (int i = 0; i < count; ++i) {
            Subkey subkey;
            subkey.name = ConsumeName(fuzz);
            if (std::find(seen.begin(), seen.end(), Lower(subkey.name)) != seen.end())
                continue; // registry names are unique regardless of case
            seen.push_back(Lower(subkey.name));
            const std::string path = kOffice + "\\" + subkey.name;
            standin::CreateKey(path);
            subkey.outlook = fuzz.ConsumeBool();
            subkey.bitness = subkey.outlook && fuzz.ConsumeBool();
            if (subkey.outlook)
                standin::CreateKey(path + "\\Outlook");
            if (subkey.bitness) {
                subkey.data = ConsumeBitness(fuzz);
                standin::SetValue(path + "\\Outlook", "Bitness", fuzz.ConsumeIntegral<DWORD>(), subkey.data);
            }
            subkeys.push_back(subkey);
        }
    }

    Value installed;
    if (fuzz.ConsumeBool()) {
        installed.present = fuzz.ConsumeBool();
        installed.data = fuzz.ConsumeBytes<BYTE>(fuzz.ConsumeIntegralInRange(0, 8));
        standin::CreateKey(kProfile);
        if (installed.present)
            standin::SetValue(kProfile, "installed", fuzz.ConsumeIntegral<DWORD>(), installed.data);
    }

    const bool failing = fuzz.ConsumeBool();
    if (failing) {
        const auto api = static_cast<standin::Api>(fuzz.ConsumeIntegralInRange(0, 2));
        standin::FailCall(api, fuzz.ConsumeIntegralInRange(1, 4), fuzz.ConsumeIntegral<DWORD>() | 1);
    }

    const bool outlook64Bit = IsOutlook64Bit();
    const bool componentInstalled = IsComponentInstalled(kProfile.c_str());

    Check(standin::OpenHandles() == 0, "a key left open");
    Check(standin::BadCloses() == 0, "a key closed that was not open");
    if (!failing) {
        Check(outlook64Bit == ModelOutlook64Bit(officeKey, subkeys), "IsOutlook64Bit differs from the model");
        Check(componentInstalled == ModelInstalled(installed), "IsComponentInstalled differs from the model");
    }
    return 0;
}
