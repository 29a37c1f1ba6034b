// Time of IsOutlook64Bit over Office keys with more and more version subkeys, against the
// in-memory stand-in: the probe reads each name once, so the time per subkey should stay flat.
#include "probes/installation_probes.h"
#include "standin.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

double NanosecondsPerCall(int subkeys)
{
    standin::Reset();
    const std::string office = "SOFTWARE\\Microsoft\\Office\\";
    for (int i = 1; i <= subkeys; ++i)
        standin::CreateKey(office + std::to_string(i) + ".0");
    standin::SetValue(office + std::to_string(subkeys) + ".0\\Outlook", "Bitness", REG_SZ, standin::TextZ("x64"));

    standin::SetRecording(false);

    // About two million subkey reads a round, the best of five rounds.
    const int calls = std::max(1, 2000000 / subkeys);
    double best = 1e300;
    for (int round = 0; round < 5; ++round) {
        const auto start = std::chrono::steady_clock::now();
        int found = 0;
        for (int i = 0; i < calls; ++i)
            found += IsOutlook64Bit() ? 1 : 0;
        const std::chrono::duration<double, std::nano> elapsed = std::chrono::steady_clock::now() - start;
        if (found != calls) {
            std::fprintf(stderr, "probe answered false\n");
            return -1;
        }
        best = std::min(best, elapsed.count() / calls);
    }
    return best;
}

} // namespace

int main()
{
    const int sizes[] = {10, 1000, 10000};
    for (int subkeys : sizes) {
        const double ns = NanosecondsPerCall(subkeys);
        std::printf("IsOutlook64Bit (native stand-in), %5d subkeys: %12.0f ns per call, %6.1f ns per subkey\n",
                    subkeys, ns, ns / subkeys);
    }
    return 0;
}
