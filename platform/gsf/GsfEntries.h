#pragma once
// The libgsf and GObject functions the program calls, as one table of entry points. libgsf
// brings GIO, libxml2 and their own stacks, and only opening or saving a session file needs
// it: the module libtarnel-gsf.so links libgsf and hands out this table; platform/storage
// defines each function below as a call through the table, opening the module on the first
// call. A function used for the first time is added to TARNEL_GSF_FUNCTIONS with its number of
// parameters (the link fails until it is).
#include <gsf/gsf.h>

#include <cstdint>

#include "framework/ModuleForwarding.h"

// clang-format off
#define TARNEL_GSF_FUNCTIONS(X)                                                                  \
    X(g_error_free, 1) X(g_object_unref, 1) X(g_type_check_instance_cast, 2)                     \
    X(g_type_check_instance_is_a, 2) X(gsf_infile_child_by_index, 2)                             \
    X(gsf_infile_child_by_name, 2) X(gsf_infile_get_type, 0) X(gsf_infile_msole_new, 2)          \
    X(gsf_infile_name_by_index, 2) X(gsf_infile_num_children, 1) X(gsf_init, 0)                  \
    X(gsf_input_read, 3) X(gsf_input_size, 1) X(gsf_input_stdio_new_FILE, 3)                     \
    X(gsf_outfile_msole_new, 1) X(gsf_outfile_new_child, 3) X(gsf_output_close, 1)               \
    X(gsf_output_get_type, 0) X(gsf_output_memory_get_bytes, 1) X(gsf_output_memory_get_type, 0) \
    X(gsf_output_memory_new, 0) X(gsf_output_size, 1) X(gsf_output_write, 3)
// clang-format on

namespace tarnel::gsf {

struct Entries {
    // sizeof(Entries) of the module's build: a module built from other headers is refused.
    uint32_t size;
    TARNEL_GSF_FUNCTIONS(TARNEL_MODULE_ENTRY)
};

// The module's one exported symbol: extern "C" const void* tarnel_gsf_entries().
inline constexpr const char* kEntrySymbol = "tarnel_gsf_entries";

}  // namespace tarnel::gsf
