#pragma once
// A key of the current user's key store (the stand-in for HKEY_CURRENT_USER), addressed by its
// path with "\" between the names: "Software\Tarnel Solutions\Tarnel Audio Converter", and below
// it sub-keys such as "Recent File List". Names of keys and values compare without regard to
// ASCII case. A key holds typed values (RegistryValue.h) and sub-keys.
//
// A RegistryKey is an open handle: it holds its own database connection and closes it when
// destroyed. Each call is one statement or one transaction on the shared file, so another
// process sees a write as soon as the call returns. One thread uses a handle at a time; any
// number of handles may be open in any number of threads and processes.
//
//   auto key = RegistryKey::Open(kPath, RegistryKey::kCreate);
//   if (key) key->SetValue("Format", REG_DWORD, DwordBytes(200));
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/RegistryValue.h"

namespace tarnel::registry {

class RegistryDatabase;

class RegistryKey {
public:
    enum Disposition { kOpenExisting, kCreate };

    // Opens the key at `path` in the current user's store (empty path: the root). With kCreate a
    // missing key is created with every missing parent; with kOpenExisting it is a failure.
    // Nothing when the key is missing or the store cannot be opened.
    static std::optional<RegistryKey> Open(std::string_view path, Disposition disposition);

    // Opens a key below this one, `relative` with "\" between names, on a connection of its own.
    std::optional<RegistryKey> OpenSubKey(std::string_view relative, Disposition disposition) const;

    RegistryKey(RegistryKey&&) noexcept;
    RegistryKey& operator=(RegistryKey&&) noexcept;
    ~RegistryKey();

    // The path as given to Open, without empty names.
    const std::string& path() const { return path_; }

    // The type and bytes of a value; nothing when it is missing, holds more than `maxBytes`
    // bytes (as a registry read into a too small buffer fails), or the store fails.
    std::optional<RegistryValue> QueryValue(std::string_view name,
                                            size_t maxBytes = kMaxValueBytes) const;
    // Creates or replaces a value. False when the key was deleted meanwhile, the data is larger
    // than kMaxValueBytes, or the store fails.
    bool SetValue(std::string_view name, uint32_t type, std::span<const uint8_t> data);
    // False when there was no such value.
    bool DeleteValue(std::string_view name);

    // The values of this key (name, type, size) in ASCII case-insensitive name order; nothing
    // when the store fails.
    std::optional<std::vector<ValueInfo>> EnumValues() const;
    // The names of the immediate sub-keys, in the same order.
    std::optional<std::vector<std::string>> EnumSubKeys() const;
    // Deletes a sub-key that has no sub-keys of its own, with its values. False when it is
    // missing, has sub-keys, or the store fails.
    bool DeleteSubKey(std::string_view relative);

private:
    RegistryKey(std::unique_ptr<RegistryDatabase> db, std::string path);
    static std::optional<RegistryKey> OpenIn(std::unique_ptr<RegistryDatabase> db, std::string path,
                                             Disposition disposition);
    // Passes a statement result through; a result that says the file is damaged is reported.
    int Checked(int result) const;

    // This handle's own connection; never null.
    std::unique_ptr<RegistryDatabase> db_;
    std::string path_;
};

// Splits "a\\b\\\\c" into {"a", "b", "c"} and joins them again as "a\\b\\c".
std::string NormalizeKeyPath(std::string_view path);

}  // namespace tarnel::registry
