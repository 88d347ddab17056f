// Two processes writing to the same store at once lose nothing and see no failure.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/registry/RegistryKey.h"
#include "tests/support/IsolatedTest.h"

extern char** environ;

namespace tarnel::registry {
namespace {

constexpr const char* kKey = "Software\\Tarnel Solutions\\Stress";

// A writer process, waiting on its standard input (the read end of `gate`).
pid_t SpawnWriter(int gateRead, const std::string& tag, int count) {
    std::vector<std::string> args{TARNEL_STRESS_WRITER_PATH, kKey, tag, std::to_string(count)};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, gateRead, STDIN_FILENO);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argv.data(), environ) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int WaitFor(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class RegistryConcurrency : public test::IsolatedTest {};

TEST_F(RegistryConcurrency, TwoProcessesWritingAtOnceLoseNothing) {
    constexpr int kCount = 1000;
    int gate[2];
    ASSERT_EQ(::pipe2(gate, O_CLOEXEC), 0);
    const pid_t a = SpawnWriter(gate[0], "a", kCount);
    const pid_t b = SpawnWriter(gate[0], "b", kCount);
    ::close(gate[0]);
    ::close(gate[1]);  // both writers start now
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    EXPECT_EQ(WaitFor(a), 0);
    EXPECT_EQ(WaitFor(b), 0);

    auto key = RegistryKey::Open(kKey, RegistryKey::kOpenExisting);
    ASSERT_TRUE(key);
    const auto listing = key->EnumValues();
    ASSERT_TRUE(listing);
    EXPECT_EQ(listing->size(), 2u * kCount);
    for (const char* tag : {"a", "b"}) {
        for (int i = 0; i < kCount; ++i) {
            const auto value = key->QueryValue(std::string(tag) + "-" + std::to_string(i));
            ASSERT_TRUE(value) << tag << i;
            EXPECT_EQ(value->data, DwordBytes(static_cast<uint32_t>(i))) << tag << i;
        }
    }
}

}  // namespace
}  // namespace tarnel::registry
