// Runs a libFuzzer entry point without libFuzzer: every file named on the command line (a
// folder stands for the files in it, such as the target's seed corpus), a fixed set of random
// inputs, and reproducible mutations of each file, so the targets run under CTest with the
// sanitizers on every build, from the same inputs a libFuzzer run starts from.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

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

// The files named, a folder's regular files in name order. An empty folder is an error: a
// corpus that was not generated must not pass for a replay.
std::vector<std::filesystem::path> InputFiles(int argc, char** argv) {
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path arg(argv[i]);
        if (!std::filesystem::is_directory(arg)) {
            files.push_back(arg);
            continue;
        }
        std::vector<std::filesystem::path> inFolder;
        for (const auto& entry : std::filesystem::directory_iterator(arg)) {
            if (entry.is_regular_file()) inFolder.push_back(entry.path());
        }
        if (inFolder.empty()) throw std::runtime_error("no files in " + arg.string());
        std::sort(inFolder.begin(), inFolder.end());
        files.insert(files.end(), inFolder.begin(), inFolder.end());
    }
    return files;
}

// Mutations in all, shared out over the files, so a larger corpus costs no more time.
constexpr size_t kMutations = 2000;

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::vector<uint8_t>> inputs;
    for (const auto& path : InputFiles(argc, argv)) {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            std::cerr << "cannot read " << path << "\n";
            return 2;
        }
        inputs.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        RunOne(inputs.back());
    }
    std::mt19937 rng(20261207);
    RunOne({});
    for (int i = 0; i < 300; ++i) {
        std::vector<uint8_t> data(rng() % 4096);
        for (auto& b : data) b = static_cast<uint8_t>(rng());
        RunOne(data);
    }
    const size_t perInput = inputs.empty() ? 0 : (kMutations + inputs.size() - 1) / inputs.size();
    for (const auto& input : inputs) {
        for (size_t i = 0; i < perInput; ++i) RunOne(Mutate(input, rng));
    }
    std::cout << "replayed " << inputs.size() << " files with " << perInput
              << " mutations each and 301 random inputs\n";
    return 0;
}
