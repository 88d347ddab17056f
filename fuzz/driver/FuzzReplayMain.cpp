// Runs a libFuzzer entry point without libFuzzer: every file named on the command line, then a
// fixed, reproducible set of inputs (random bytes and mutations of the target's seeds), so the
// targets run under CTest with the sanitizers on every build.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

// A target may provide seeds (well-formed inputs) to mutate; weak so it is optional.
extern "C" __attribute__((weak)) size_t TarnelFuzzSeedCount();
extern "C" __attribute__((weak)) std::vector<uint8_t> TarnelFuzzSeed(size_t index);

namespace {

void RunOne(const std::vector<uint8_t>& input) {
    // Pass a null pointer for empty input as libFuzzer may.
    LLVMFuzzerTestOneInput(input.empty() ? nullptr : input.data(), input.size());
}

std::vector<uint8_t> Mutate(std::vector<uint8_t> input, std::mt19937& rng) {
    std::uniform_int_distribution<int> kind(0, 5);
    int edits = 1 + static_cast<int>(rng() % 8);
    for (int e = 0; e < edits; ++e) {
        size_t size = input.size();
        switch (kind(rng)) {
            case 0:  // flip a byte
                if (size) input[rng() % size] ^= static_cast<uint8_t>(1u << (rng() % 8));
                break;
            case 1:  // random byte
                if (size) input[rng() % size] = static_cast<uint8_t>(rng());
                break;
            case 2:  // truncate
                if (size) input.resize(rng() % size);
                break;
            case 3:  // extreme 32-bit value somewhere (sizes, counts)
                if (size >= 4) {
                    size_t at = rng() % (size - 3);
                    uint32_t v = (rng() % 2) ? 0xFFFFFFFFu : 0x7FFFFFF0u;
                    for (int i = 0; i < 4; ++i) input[at + i] = static_cast<uint8_t>(v >> (8 * i));
                }
                break;
            case 4:  // duplicate a block
                if (size > 2) {
                    size_t from = rng() % size;
                    size_t len = std::min<size_t>(size - from, 1 + rng() % 256);
                    std::vector<uint8_t> block(input.begin() + from, input.begin() + from + len);
                    input.insert(input.begin() + rng() % size, block.begin(), block.end());
                }
                break;
            default:  // erase a block
                if (size > 2) {
                    size_t from = rng() % size;
                    size_t len = std::min<size_t>(size - from, 1 + rng() % 64);
                    input.erase(input.begin() + from, input.begin() + from + len);
                }
                break;
        }
    }
    return input;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), {});
        RunOne(data);
    }
    std::mt19937 rng(20261207);
    RunOne({});
    for (int i = 0; i < 300; ++i) {
        std::vector<uint8_t> data(rng() % 4096);
        for (auto& b : data) b = static_cast<uint8_t>(rng());
        RunOne(data);
    }
    size_t seeds = TarnelFuzzSeedCount ? TarnelFuzzSeedCount() : 0;
    for (size_t s = 0; s < seeds; ++s) {
        std::vector<uint8_t> seed = TarnelFuzzSeed(s);
        RunOne(seed);
        for (int i = 0; i < 400; ++i) RunOne(Mutate(seed, rng));
    }
    std::cout << "replayed " << (argc - 1) << " files, 301 random inputs and " << seeds
              << " seeds with 400 mutations each\n";
    return 0;
}
