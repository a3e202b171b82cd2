#include "ConfigReaderProperties.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// libFuzzer entry: any bytes as a configuration file.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string problem =
        bildertafel::fuzz::checkConfigReader({reinterpret_cast<const char*>(data), size});
    if (!problem.empty()) {
        std::fprintf(stderr, "configuration reader: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
