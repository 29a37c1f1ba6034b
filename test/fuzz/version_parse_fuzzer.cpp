// ParseOfficeVersion against the strtoimax model, on any text a subkey name could hold.
#include "probes/installation_probes.h"
#include "scan_model.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string name(reinterpret_cast<const char*>(data), size);
    const OfficeVersion got = ParseOfficeVersion(name.c_str());
    const ModelVersion want = ModelParse(name.c_str());
    if (got.major != want.major || got.minor != want.minor) {
        std::fprintf(stderr, "\"%s\": got (%d, %d), model (%d, %d)\n", name.c_str(), got.major, got.minor,
                     want.major, want.minor);
        std::abort();
    }
    return 0;
}
