#include "cli/SettingsDump.h"

#include <algorithm>
#include <vector>

#include "platform/registry/RegistryDatabase.h"
#include "platform/registry/RegistryKey.h"
#include "settings/SettingsStore.h"

namespace tarnel::cli {

namespace {

std::string Printable(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xf];
        } else {
            out += c;
        }
    }
    return out;
}

std::string Hex(const std::vector<uint8_t>& bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const uint8_t byte : bytes) {
        out += kHex[byte >> 4];
        out += kHex[byte & 0xf];
    }
    return out;
}

}  // namespace

std::string FormatValueLine(std::string_view name, const registry::RegistryValue& value) {
    std::string data;
    const auto& bytes = value.data;
    if (value.type == registry::REG_DWORD && bytes.size() == 4) {
        const uint32_t number =
            static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
            static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
        data = std::to_string(number);
    } else if (value.type == registry::REG_SZ || value.type == registry::REG_EXPAND_SZ) {
        const auto end = std::find(bytes.begin(), bytes.end(), uint8_t{0});
        data = Printable(std::string(bytes.begin(), end));
    } else {
        data = Hex(bytes);
    }
    return Printable(name) + "\t" + registry::ValueTypeName(value.type) + "\t" + data;
}

bool DumpSettings(std::FILE* out) {
    const auto key =
        registry::RegistryKey::Open(SettingsStore::kKeyPath, registry::RegistryKey::kCreate);
    if (!key) {
        std::fprintf(stderr, "tarnel-convert: cannot open the settings in %s\n",
                     registry::DatabasePath().c_str());
        return false;
    }
    auto listing = key->EnumValues();
    if (!listing) {
        std::fprintf(stderr, "tarnel-convert: cannot list the settings\n");
        return false;
    }
    std::sort(
        listing->begin(), listing->end(),
        [](const registry::ValueInfo& a, const registry::ValueInfo& b) { return a.name < b.name; });
    for (const registry::ValueInfo& info : *listing) {
        const auto value = key->QueryValue(info.name);
        std::string line;
        if (value) {
            line = FormatValueLine(info.name, *value);
        } else {
            // Deleted meanwhile by another process, or too large to show.
            line = Printable(info.name) + "\t" + registry::ValueTypeName(info.type) + "\t(" +
                   std::to_string(info.size) + " bytes, unreadable)";
        }
        std::fprintf(out, "%s\n", line.c_str());
    }
    return std::fflush(out) == 0;
}

}  // namespace tarnel::cli
