#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("tarnel-convert %s\n", TARNEL_VERSION_TEXT);
            return 0;
        }
    }
    std::printf("Usage: tarnel-convert [options] FILE...\n");
    return 0;
}
