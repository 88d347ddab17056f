#pragma once
// Runs a program with arguments, its output captured in files, and waits for it.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <csignal>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace tarnel::test {

struct ProcessResult {
    int exitCode = -1;  // -1 when the program did not exit normally
    std::string out;
    std::string err;
};

class Process {
public:
    // Starts the program; `captureDir` receives the output files (named after `tag`).
    Process(const std::string& program, const std::vector<std::string>& args,
            const std::filesystem::path& captureDir, const std::string& tag = "run")
        : outPath_(captureDir / (tag + ".out")), errPath_(captureDir / (tag + ".err")) {
        std::vector<std::string> all{program};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, outPath_.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, errPath_.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Process() {
        if (pid_ > 0) Wait();
    }

    // Sends a signal to the running program.
    void Signal(int signal) {
        if (pid_ > 0) ::kill(pid_, signal);
    }

    ProcessResult Wait() {
        ProcessResult result;
        if (pid_ <= 0) return result;
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
        if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
        result.out = Slurp(outPath_);
        result.err = Slurp(errPath_);
        return result;
    }

private:
    static std::string Slurp(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    pid_t pid_ = -1;
    std::filesystem::path outPath_, errPath_;
};

inline ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                                const std::filesystem::path& captureDir,
                                const std::string& tag = "run") {
    Process process(program, args, captureDir, tag);
    return process.Wait();
}

}  // namespace tarnel::test
