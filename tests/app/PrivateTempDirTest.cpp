#include "app/PrivateTempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "tests/support/IsolatedTest.h"

namespace tarnel {
namespace {

namespace fs = std::filesystem;

using PrivateTempDirTest = test::IsolatedTest;

TEST_F(PrivateTempDirTest, EachFolderIsPrivateAndRemovedWithItsContent) {
    auto a = PrivateTempDir::Create();
    auto b = PrivateTempDir::Create();
    ASSERT_TRUE(a && b);
    EXPECT_NE(a->path(), b->path());
    // Both live in one per-process folder under this test's TMPDIR.
    EXPECT_EQ(a->path().parent_path(), b->path().parent_path());
    EXPECT_EQ(a->path().parent_path().parent_path(), root() / "tmp");

    struct stat info {};
    ASSERT_EQ(::stat(a->path().parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    const fs::path kept = a->path();
    std::ofstream(kept / "morlat_temp.audio") << "x";
    a.reset();
    EXPECT_FALSE(fs::exists(kept));
    EXPECT_TRUE(fs::exists(b->path()));
}

TEST_F(PrivateTempDirTest, MovedFolderIsRemovedOnce) {
    auto a = PrivateTempDir::Create();
    ASSERT_TRUE(a);
    const fs::path path = a->path();
    PrivateTempDir moved = std::move(*a);
    a.reset();
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(moved.path(), path);
}

}  // namespace
}  // namespace tarnel
