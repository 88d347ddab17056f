// Helper of RegistryConcurrencyTest: writes COUNT values named "<TAG>-<n>" into KEY, each through
// a handle of its own, and reads each one back at once. It starts when its standard input
// closes, so that the test can release several writers together. Exit status 0 when every write
// and read succeeded; otherwise 1 with the first failure on standard error.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/registry/RegistryKey.h"

using namespace tarnel::registry;

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: registry_stress_writer KEY TAG COUNT\n");
        return 2;
    }
    const std::string keyPath = argv[1];
    const std::string tag = argv[2];
    const int count = std::atoi(argv[3]);

    char byte;
    while (::read(STDIN_FILENO, &byte, 1) > 0) {
    }

    for (int i = 0; i < count; ++i) {
        const std::string name = tag + "-" + std::to_string(i);
        const std::vector<uint8_t> data = DwordBytes(static_cast<uint32_t>(i));
        {
            auto key = RegistryKey::Open(keyPath, RegistryKey::kCreate);
            if (!key) {
                std::fprintf(stderr, "%s: open for write %d failed\n", tag.c_str(), i);
                return 1;
            }
            if (!key->SetValue(name, REG_DWORD, data)) {
                std::fprintf(stderr, "%s: write %d failed\n", tag.c_str(), i);
                return 1;
            }
        }
        auto key = RegistryKey::Open(keyPath, RegistryKey::kOpenExisting);
        const auto value = key ? key->QueryValue(name) : std::nullopt;
        if (!value || value->type != REG_DWORD || value->data != data) {
            std::fprintf(stderr, "%s: read back %d failed\n", tag.c_str(), i);
            return 1;
        }
    }
    return 0;
}
