#pragma once
// The benchmark's own input: WAV and MP3 files of assorted formats and lengths, made the same
// way on every run so figures from two machines compare.
#include <filesystem>
#include <string>
#include <vector>

namespace tarnel::bench {

struct BenchFile {
    std::filesystem::path path;
    std::string format;  // "WAV" or "MP3"
    double seconds = 0;  // length of the audio that was written
};

// Writes `count` files into `folder` (alternating WAV and MP3) unless they exist already.
std::vector<BenchFile> MakeBenchFiles(const std::filesystem::path& folder, int count);

}  // namespace tarnel::bench
