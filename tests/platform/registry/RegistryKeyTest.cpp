// The per-user key store: keys by path, typed values with their exact bytes, the database file's
// place and its recovery when damaged.
#include <sqlite3.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "platform/registry/RegistryDatabase.h"
#include "platform/registry/RegistryKey.h"
#include "tests/support/IsolatedTest.h"

namespace tarnel::registry {
namespace {

namespace fs = std::filesystem;

constexpr const char* kProgramKey = "Software\\Tarnel Solutions\\Tarnel Audio Converter";

std::vector<uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

std::vector<std::string> Names(const std::vector<ValueInfo>& values) {
    std::vector<std::string> names;
    for (const auto& v : values) names.push_back(v.name);
    return names;
}

class RegistryKeyTest : public test::IsolatedTest {
protected:
    RegistryKey Program() {
        auto key = RegistryKey::Open(kProgramKey, RegistryKey::kCreate);
        if (!key) throw std::runtime_error("cannot open the program key");
        return std::move(*key);
    }
    fs::path DatabaseFile() const {
        return configDir() / "tarnel-audio-converter" / "registry.sqlite";
    }
};

TEST_F(RegistryKeyTest, DatabaseLivesInTheUsersConfigFolder) {
    EXPECT_EQ(DatabasePath(), DatabaseFile());
    Program();
    EXPECT_TRUE(fs::exists(DatabaseFile()));
    struct stat info {};
    ASSERT_EQ(::stat(DatabaseFile().parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    // Without XDG_CONFIG_HOME (or with a relative one) the file goes to ~/.config.
    setEnv("XDG_CONFIG_HOME", std::nullopt);
    EXPECT_EQ(DatabasePath(), homeDir() / ".config" / "tarnel-audio-converter" / "registry.sqlite");
    setEnv("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(DatabasePath(), homeDir() / ".config" / "tarnel-audio-converter" / "registry.sqlite");
}

TEST_F(RegistryKeyTest, KeysOpenOnlyWhenPresentAndAreCreatedWithTheirParents) {
    EXPECT_FALSE(RegistryKey::Open(kProgramKey, RegistryKey::kOpenExisting));
    ASSERT_TRUE(RegistryKey::Open(kProgramKey, RegistryKey::kCreate));
    EXPECT_TRUE(RegistryKey::Open(kProgramKey, RegistryKey::kOpenExisting));
    // Parents exist, names compare without case, empty names between separators are dropped.
    EXPECT_TRUE(RegistryKey::Open("Software\\Tarnel Solutions", RegistryKey::kOpenExisting));
    auto key = RegistryKey::Open("\\software\\\\TARNEL SOLUTIONS\\tarnel audio converter\\",
                                 RegistryKey::kOpenExisting);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->path(), "software\\TARNEL SOLUTIONS\\tarnel audio converter");

    auto recent = key->OpenSubKey("Recent File List", RegistryKey::kCreate);
    ASSERT_TRUE(recent);
    EXPECT_EQ(recent->path(),
              "software\\TARNEL SOLUTIONS\\tarnel audio converter\\Recent File List");
    auto software = RegistryKey::Open("Software", RegistryKey::kOpenExisting);
    ASSERT_TRUE(software);
    EXPECT_EQ(software->EnumSubKeys(), std::vector<std::string>{"Tarnel Solutions"});
    EXPECT_EQ(Program().EnumSubKeys(), std::vector<std::string>{"Recent File List"});
}

TEST_F(RegistryKeyTest, ValuesKeepTheirTypeAndExactBytes) {
    RegistryKey key = Program();
    const std::vector<uint8_t> text = Bytes(std::string("a\0b\0", 4));
    const std::vector<uint8_t> binary{0x00, 0xff, 0x80, 0x00};
    EXPECT_TRUE(key.SetValue("Text", REG_SZ, text));
    EXPECT_TRUE(key.SetValue("Expand", REG_EXPAND_SZ, StringBytes("$HOME/x")));
    EXPECT_TRUE(key.SetValue("Binary", REG_BINARY, binary));
    EXPECT_TRUE(key.SetValue("Empty", REG_BINARY, {}));
    EXPECT_TRUE(key.SetValue("Number", REG_DWORD, DwordBytes(0xfffffffe)));
    EXPECT_TRUE(key.SetValue("Odd", 7, Bytes("xy")));

    // Another handle reads what this one wrote.
    RegistryKey other = Program();
    auto v = other.QueryValue("Text");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->type, REG_SZ);
    EXPECT_EQ(v->data, text);
    v = other.QueryValue("expand");  // names compare without case
    ASSERT_TRUE(v);
    EXPECT_EQ(v->type, REG_EXPAND_SZ);
    EXPECT_EQ(v->data, StringBytes("$HOME/x"));
    v = other.QueryValue("Binary");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->data, binary);
    v = other.QueryValue("Empty");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->type, REG_BINARY);
    EXPECT_TRUE(v->data.empty());
    v = other.QueryValue("Number");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->data, (std::vector<uint8_t>{0xfe, 0xff, 0xff, 0xff}));
    v = other.QueryValue("Odd");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->type, 7u);
    EXPECT_FALSE(other.QueryValue("Missing"));

    // A rewrite may change the type; the first spelling of the name stays.
    EXPECT_TRUE(key.SetValue("NUMBER", REG_SZ, StringBytes("12")));
    v = other.QueryValue("Number");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->type, REG_SZ);
    const auto listing = other.EnumValues();
    ASSERT_TRUE(listing);
    EXPECT_EQ(Names(*listing),
              (std::vector<std::string>{"Binary", "Empty", "Expand", "Number", "Odd", "Text"}));
    EXPECT_EQ((*listing)[0].type, REG_BINARY);
    EXPECT_EQ((*listing)[0].size, 4u);
}

TEST_F(RegistryKeyTest, ReadsRefuseDataLargerThanTheBuffer) {
    RegistryKey key = Program();
    ASSERT_TRUE(key.SetValue("Block", REG_BINARY, std::vector<uint8_t>(40, 1)));
    EXPECT_FALSE(key.QueryValue("Block", 32));
    EXPECT_FALSE(key.QueryValue("Block", 39));
    ASSERT_TRUE(key.QueryValue("Block", 40));
    EXPECT_EQ(key.QueryValue("Block", 40)->data.size(), 40u);
    // The store itself refuses values beyond its limit, so none can be read unbounded.
    EXPECT_FALSE(key.SetValue("Huge", REG_BINARY, std::vector<uint8_t>(kMaxValueBytes + 1)));
    EXPECT_FALSE(key.QueryValue("Huge"));
}

TEST_F(RegistryKeyTest, DeletingValuesAndKeys) {
    RegistryKey key = Program();
    ASSERT_TRUE(key.SetValue("Gone", REG_DWORD, DwordBytes(1)));
    EXPECT_TRUE(key.DeleteValue("gone"));
    EXPECT_FALSE(key.DeleteValue("Gone"));
    EXPECT_FALSE(key.QueryValue("Gone"));

    auto list = key.OpenSubKey("Recent File List", RegistryKey::kCreate);
    ASSERT_TRUE(list);
    ASSERT_TRUE(list->SetValue("File1", REG_SZ, StringBytes("/a.qzconv")));
    auto software = RegistryKey::Open("Software", RegistryKey::kOpenExisting);
    ASSERT_TRUE(software);
    // Only a key without sub-keys can be deleted.
    EXPECT_FALSE(software->DeleteSubKey("Tarnel Solutions"));
    EXPECT_TRUE(key.DeleteSubKey("Recent File List"));
    EXPECT_FALSE(key.DeleteSubKey("Recent File List"));
    // The open handle of the deleted key can no longer write, and its values are gone.
    EXPECT_FALSE(list->SetValue("File2", REG_SZ, StringBytes("/b.qzconv")));
    EXPECT_FALSE(list->QueryValue("File1"));
    auto again = key.OpenSubKey("Recent File List", RegistryKey::kCreate);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->EnumValues()->size(), 0u);
}

TEST_F(RegistryKeyTest, ADamagedFileIsMovedAsideAndAFreshOneCreated) {
    {
        RegistryKey key = Program();
        ASSERT_TRUE(key.SetValue("Format", REG_DWORD, DwordBytes(201)));
    }
    {
        std::ofstream out(DatabaseFile(), std::ios::binary | std::ios::trunc);
        out << std::string(8192, 'x');
    }
    testing::internal::CaptureStderr();
    auto key = RegistryKey::Open(kProgramKey, RegistryKey::kCreate);
    const std::string err = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(key);
    EXPECT_FALSE(key->QueryValue("Format"));  // a fresh store
    EXPECT_TRUE(key->SetValue("Format", REG_DWORD, DwordBytes(202)));
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("damaged"), std::string::npos) << err;

    std::vector<std::string> aside;
    for (const auto& entry : fs::directory_iterator(DatabaseFile().parent_path())) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("registry.sqlite.corrupt-", 0) == 0) aside.push_back(name);
    }
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(fs::file_size(DatabaseFile().parent_path() / aside[0]), 8192u);  // kept as it was
    EXPECT_NE(err.find(aside[0]), std::string::npos);

    // Later opens find the fresh file sound: nothing more is moved or printed.
    testing::internal::CaptureStderr();
    auto again = RegistryKey::Open(kProgramKey, RegistryKey::kOpenExisting);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_TRUE(again);
    EXPECT_EQ(again->QueryValue("Format")->data, DwordBytes(202));
}

TEST_F(RegistryKeyTest, DamageFoundWhileReadingIsRecoveredByTheNextOpen) {
    {
        RegistryKey key = Program();
        // Enough values that the table spans many pages.
        for (int i = 0; i < 400; ++i) {
            ASSERT_TRUE(key.SetValue("Value " + std::to_string(i), REG_BINARY,
                                     std::vector<uint8_t>(100, static_cast<uint8_t>(i))));
        }
    }
    // Fold the WAL into the file, then overwrite the pages after the first two with noise.
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(DatabaseFile().c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
    }
    const auto size = fs::file_size(DatabaseFile());
    ASSERT_GT(size, 3 * 4096u);
    {
        std::fstream io(DatabaseFile(), std::ios::binary | std::ios::in | std::ios::out);
        io.seekp(2 * 4096);
        io << std::string(size - 2 * 4096, '\x5a');
    }
    testing::internal::CaptureStderr();
    {
        // Either opening or listing finds the damage; neither crashes.
        auto key = RegistryKey::Open(kProgramKey, RegistryKey::kOpenExisting);
        if (key) (void)key->EnumValues();
    }
    auto fresh = RegistryKey::Open(kProgramKey, RegistryKey::kCreate);
    const std::string err = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(fresh);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_TRUE(fresh->SetValue("After", REG_DWORD, DwordBytes(1)));
    EXPECT_EQ(fresh->EnumValues()->size(), 1u);
}

TEST_F(RegistryKeyTest, WhatClosedKeysWroteIsInTheFileItself) {
    {
        RegistryKey key = Program();
        ASSERT_TRUE(key.SetValue("Format", REG_DWORD, DwordBytes(201)));
        // A second key open at the same time sees the value through its own connection.
        auto second = RegistryKey::Open(kProgramKey, RegistryKey::kOpenExisting);
        ASSERT_TRUE(second);
        EXPECT_EQ(second->QueryValue("Format")->data, DwordBytes(201));
        ASSERT_TRUE(second->SetValue("Naming Strategy", REG_DWORD, DwordBytes(1)));
    }
    // The file alone, without its WAL, holds both values once no key is open.
    const fs::path copy = root() / "copy.sqlite";
    fs::copy_file(DatabaseFile(), copy);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(copy.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* count = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT count(*) FROM reg_values", -1, &count, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(count), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(count, 0), 2);
    sqlite3_finalize(count);
    sqlite3_close(db);
}

TEST_F(RegistryKeyTest, AFileReplacedBetweenKeysIsReadAfresh) {
    ASSERT_TRUE(Program().SetValue("Format", REG_DWORD, DwordBytes(201)));
    // Another store with another value.
    setEnv("XDG_CONFIG_HOME", (root() / "other").string());
    ASSERT_TRUE(Program().SetValue("Format", REG_DWORD, DwordBytes(202)));
    const fs::path other = DatabasePath();
    setEnv("XDG_CONFIG_HOME", configDir().string());
    // As another process leaves it after moving a damaged file aside: the old file and its
    // journals gone, a new file in its place.
    const std::string file = DatabaseFile().string();
    fs::rename(file, file + ".old");
    std::error_code ec;
    fs::rename(file + "-wal", file + ".old-wal", ec);
    fs::remove(file + "-shm", ec);
    fs::rename(other, file);

    for (int round = 0; round < 2; ++round) {
        auto key = RegistryKey::Open(kProgramKey, RegistryKey::kOpenExisting);
        ASSERT_TRUE(key);
        EXPECT_EQ(key->QueryValue("Format")->data, DwordBytes(202 + round));
        EXPECT_TRUE(key->SetValue("Format", REG_DWORD, DwordBytes(203)));
    }
}

TEST_F(RegistryKeyTest, AStoreThatCannotBeCreatedFailsEveryCall) {
    // A file where the configuration folder should be.
    std::ofstream(root() / "blocked") << "x";
    setEnv("XDG_CONFIG_HOME", (root() / "blocked").string());
    EXPECT_FALSE(RegistryKey::Open(kProgramKey, RegistryKey::kCreate));
    EXPECT_FALSE(RegistryKey::Open("", RegistryKey::kOpenExisting));
}

TEST(RegistryPaths, NormalizeDropsEmptyNames) {
    EXPECT_EQ(NormalizeKeyPath(""), "");
    EXPECT_EQ(NormalizeKeyPath("\\\\"), "");
    EXPECT_EQ(NormalizeKeyPath("a\\\\b\\"), "a\\b");
    EXPECT_EQ(NormalizeKeyPath("\\Software\\Tarnel Solutions"), "Software\\Tarnel Solutions");
}

TEST(RegistryValues, TypeNamesAndEncodings) {
    EXPECT_EQ(ValueTypeName(REG_SZ), "REG_SZ");
    EXPECT_EQ(ValueTypeName(REG_EXPAND_SZ), "REG_EXPAND_SZ");
    EXPECT_EQ(ValueTypeName(REG_BINARY), "REG_BINARY");
    EXPECT_EQ(ValueTypeName(REG_DWORD), "REG_DWORD");
    EXPECT_EQ(ValueTypeName(11), "REG_TYPE_11");
    EXPECT_EQ(DwordBytes(0x01020304), (std::vector<uint8_t>{4, 3, 2, 1}));
    EXPECT_EQ(StringBytes("ab"), (std::vector<uint8_t>{'a', 'b', 0}));
    EXPECT_EQ(StringBytes(""), (std::vector<uint8_t>{0}));
}

}  // namespace
}  // namespace tarnel::registry
