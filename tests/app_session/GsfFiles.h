#pragma once
// Compound files read and written with libgsf's plain API, apart from the program's own
// storage code: to check what a saved session really holds, and to build files the program
// would never write (other streams beside the session stream, or none).
#include <gsf/gsf.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tarnel::test {

struct GsfStream {
    std::string name;
    bool isStorage = false;
    std::vector<uint8_t> bytes;
};

// The entries of the root storage with their content; nothing when the file is not readable
// as a compound file.
inline std::optional<std::vector<GsfStream>> ReadRootWithGsf(const std::filesystem::path& file) {
    gsf_init();
    GError* error = nullptr;
    GsfInput* input = gsf_input_stdio_new(file.c_str(), &error);
    if (error) g_error_free(error);
    if (!input) return std::nullopt;
    error = nullptr;
    GsfInfile* root = gsf_infile_msole_new(input, &error);
    if (error) g_error_free(error);
    g_object_unref(input);
    if (!root) return std::nullopt;
    std::vector<GsfStream> streams;
    for (int i = 0; i < gsf_infile_num_children(root); ++i) {
        GsfStream stream;
        const char* name = gsf_infile_name_by_index(root, i);
        stream.name = name ? name : "";
        GsfInput* child = gsf_infile_child_by_index(root, i);
        if (child) {
            stream.isStorage =
                GSF_IS_INFILE(child) && gsf_infile_num_children(GSF_INFILE(child)) >= 0;
            const gsf_off_t size = gsf_input_size(child);
            if (!stream.isStorage && size > 0) {
                stream.bytes.resize(static_cast<size_t>(size));
                if (!gsf_input_read(child, stream.bytes.size(), stream.bytes.data())) {
                    stream.bytes.clear();
                }
            }
            g_object_unref(child);
        }
        streams.push_back(std::move(stream));
    }
    g_object_unref(root);
    return streams;
}

// Writes a compound file whose root holds the given streams, in order.
inline bool WriteRootWithGsf(
    const std::filesystem::path& file,
    const std::vector<std::pair<std::string, std::vector<uint8_t>>>& streams) {
    gsf_init();
    GError* error = nullptr;
    GsfOutput* output = gsf_output_stdio_new(file.c_str(), &error);
    if (error) g_error_free(error);
    if (!output) return false;
    GsfOutfile* root = gsf_outfile_msole_new(output);
    bool ok = root != nullptr;
    for (const auto& [name, bytes] : streams) {
        if (!ok) break;
        GsfOutput* child = gsf_outfile_new_child(root, name.c_str(), FALSE);
        ok =
            child && gsf_output_write(child, bytes.size(), bytes.data()) && gsf_output_close(child);
        if (child) g_object_unref(child);
    }
    if (root) {
        ok = gsf_output_close(GSF_OUTPUT(root)) && ok;
        g_object_unref(root);
    }
    if (!gsf_output_is_closed(output)) ok = gsf_output_close(output) && ok;
    g_object_unref(output);
    return ok;
}

}  // namespace tarnel::test
