#pragma once
// Shared by the benchmarks that time whole conversions against peer tools: a music-like test
// signal written as 16-bit stereo WAV, and the timing of one command run as a child process.
#include <filesystem>
#include <string>
#include <vector>

namespace tarnel::bench {

// 16-bit stereo PCM WAV of `seconds` at `rate`: a gliding tone, two steady partials and a
// little noise, closer to music than a pure tone, so encoders do realistic work.
void WriteMusicWav(const std::filesystem::path& path, double seconds, int rate);

struct Timing {
    double wall = -1;  // seconds; -1 when the command failed
    double cpu = -1;   // user + system seconds of the command
    bool ok() const { return wall >= 0; }
};

// Runs the command with stdin from /dev/null and its output in `log`; failed when it cannot
// start or exits other than 0.
Timing TimeCommand(std::vector<std::string> command, const std::filesystem::path& log);

// The best wall and processor times of `runs` runs; failed (and said on stdout) when one fails.
Timing BestOf(int runs, const char* what, const std::vector<std::string>& command,
              const std::filesystem::path& log);

// Prints ours against the peer's: the wall-time ratio against the aim, and the processor-time
// ratio.
void ReportRatio(const char* step, Timing ours, Timing theirs, const char* peer, double aim);

// Points the settings, home and temporary folders of this process and its children into `work`.
void UsePrivateFolders(const std::filesystem::path& work);

// The usual arguments, PATH-TO-tarnel-convert [WORK-FOLDER]: the program as an absolute path and
// the work folder (a fresh `defaultWork` in the temporary folder when none is given), emptied
// and made private with UsePrivateFolders. False, with the usage printed, when the program is
// missing.
struct ProgramAndWork {
    std::string program;
    std::filesystem::path work;
};
bool ParseProgramAndWork(int argc, char** argv, const char* defaultWork, ProgramAndWork* out);

}  // namespace tarnel::bench
