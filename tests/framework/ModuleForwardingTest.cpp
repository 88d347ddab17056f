// Calls into a lazily opened module that cannot be opened: each result says "failed" in the
// callee's own terms, and an unsigned result (SDL's device id) is 0, never a valid-looking id.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>

#include "framework/ModuleForwarding.h"

namespace tarnel {
namespace {

enum class Kind { None = -1, First = 0 };

struct Entries {
    uint32_t size;
    uint32_t (*open)(int);
    int (*init)(int);
    const char* (*name)();
    Kind (*kind)();
    void (*close)(uint32_t);
};

int g_closed = 0;
uint32_t Open(int) {
    return 7;
}
void Close(uint32_t) {
    ++g_closed;
}
const Entries kTable{sizeof(Entries), &Open, nullptr, nullptr, nullptr, &Close};

const Entries* Missing() {
    return CheckedEntries<Entries>(nullptr);
}
const Entries* Present() {
    return CheckedEntries<Entries>(&kTable);
}

TEST(ModuleForwarding, AModuleThatCannotBeOpenedFailsEveryCall) {
    EXPECT_EQ((ForwardCall<&Missing, &Entries::open, uint32_t>(0)), 0u);
    EXPECT_EQ((ForwardCall<&Missing, &Entries::init, int>(0)), -ENOSYS);
    EXPECT_EQ((ForwardCall<&Missing, &Entries::name, const char*>()), nullptr);
    EXPECT_EQ((ForwardCall<&Missing, &Entries::kind, Kind>()), Kind::None);
    ForwardCall<&Missing, &Entries::close, void>(uint32_t{7});
    EXPECT_EQ(g_closed, 0);

    EXPECT_EQ((ForwardCall<&Present, &Entries::open, uint32_t>(0)), 7u);
    ForwardCall<&Present, &Entries::close, void>(uint32_t{7});
    EXPECT_EQ(g_closed, 1);
    // A table of another build (another size) is refused.
    Entries other = kTable;
    other.size = sizeof(Entries) + 8;
    EXPECT_EQ(CheckedEntries<Entries>(&other), nullptr);
}

}  // namespace
}  // namespace tarnel
