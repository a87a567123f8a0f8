#include "registry/RegistryBackend.h"

namespace corvelle::registry::testing {

std::vector<BackendMaker> AvailableBackends() {
    std::vector<BackendMaker> makers = {{"Model", MakeMemoryBackend}};
#ifdef _WIN32
    makers.push_back({"Win32", MakeWin32Backend});
#endif
    return makers;
}

}  // namespace corvelle::registry::testing
