#pragma once
// Pieces for defining the functions of a lazily opened library as calls through a table of
// entry points (see LazyModule.h): a definition names the function's own result and parameter
// types, taken from the library's header, so it cannot drift from the real signature.
//
//   extern "C" TARNEL_MODULE_RESULT(f) f(TARNEL_MODULE_PARAMETERS_2(f)) {
//       return tarnel::ForwardCall<&Table, &Entries::f, TARNEL_MODULE_RESULT(f)>(
//           TARNEL_MODULE_NAMES_2);
//   }
//
// A library's header declares its functions with default visibility; the file that defines the
// forwarding functions must include that header inside `#pragma GCC visibility push(hidden)`
// (after the C library headers), so that no shared library ever binds to the forwarders.
#include <cerrno>
#include <cstddef>
#include <tuple>
#include <type_traits>

namespace tarnel {

template <class F>
struct FunctionSignature;
template <class R, class... A>
struct FunctionSignature<R (*)(A...)> {
    using Result = R;
    using Arguments = std::tuple<A...>;
};

// Function attributes (av_malloc's alloc_size and the like) are not part of the type.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wignored-attributes"
template <auto F>
using ResultOf = typename FunctionSignature<decltype(F)>::Result;
template <auto F, size_t I>
using ArgumentOf = std::tuple_element_t<I, typename FunctionSignature<decltype(F)>::Arguments>;
#pragma GCC diagnostic pop

// What a forwarded call returns when the library cannot be opened: a null pointer, -1 for an
// enumeration (the "none" or generic error value of the libraries we load), 0 for an unsigned
// number (SDL's "no device"), -ENOSYS otherwise.
template <class R>
R UnavailableResult() {
    if constexpr (std::is_void_v<R>) {
        return;
    } else if constexpr (std::is_pointer_v<R>) {
        return nullptr;
    } else if constexpr (std::is_enum_v<R>) {
        return static_cast<R>(-1);
    } else if constexpr (std::is_unsigned_v<R>) {
        return 0;
    } else {
        return static_cast<R>(-ENOSYS);
    }
}

// A module's entry table (LazyModule::Entries), or null when the module could not be opened or
// was built from other headers than this program (its table's leading size differs).
template <class Entries>
const Entries* CheckedEntries(const void* opened) {
    const auto* entries = static_cast<const Entries*>(opened);
    return entries && entries->size == sizeof(Entries) ? entries : nullptr;
}

// Calls the table's entry, or returns UnavailableResult when Table() gives no table.
template <auto Table, auto Member, class R, class... A>
R ForwardCall(A... arguments) {
    const auto* table = Table();
    if (!table) return UnavailableResult<R>();
    return (table->*Member)(arguments...);
}

}  // namespace tarnel

#define TARNEL_MODULE_RESULT(f) ::tarnel::ResultOf<&::f>
#define TARNEL_MODULE_PARAMETERS_0(f)
#define TARNEL_MODULE_PARAMETERS_1(f) ::tarnel::ArgumentOf<&::f, 0> a0
#define TARNEL_MODULE_PARAMETERS_2(f) \
    TARNEL_MODULE_PARAMETERS_1(f), ::tarnel::ArgumentOf<&::f, 1> a1
#define TARNEL_MODULE_PARAMETERS_3(f) \
    TARNEL_MODULE_PARAMETERS_2(f), ::tarnel::ArgumentOf<&::f, 2> a2
#define TARNEL_MODULE_PARAMETERS_4(f) \
    TARNEL_MODULE_PARAMETERS_3(f), ::tarnel::ArgumentOf<&::f, 3> a3
#define TARNEL_MODULE_PARAMETERS_5(f) \
    TARNEL_MODULE_PARAMETERS_4(f), ::tarnel::ArgumentOf<&::f, 4> a4
#define TARNEL_MODULE_PARAMETERS_6(f) \
    TARNEL_MODULE_PARAMETERS_5(f), ::tarnel::ArgumentOf<&::f, 5> a5
#define TARNEL_MODULE_PARAMETERS_7(f) \
    TARNEL_MODULE_PARAMETERS_6(f), ::tarnel::ArgumentOf<&::f, 6> a6
#define TARNEL_MODULE_PARAMETERS_8(f) \
    TARNEL_MODULE_PARAMETERS_7(f), ::tarnel::ArgumentOf<&::f, 7> a7
#define TARNEL_MODULE_PARAMETERS_9(f) \
    TARNEL_MODULE_PARAMETERS_8(f), ::tarnel::ArgumentOf<&::f, 8> a8
#define TARNEL_MODULE_NAMES_0
#define TARNEL_MODULE_NAMES_1 a0
#define TARNEL_MODULE_NAMES_2 TARNEL_MODULE_NAMES_1, a1
#define TARNEL_MODULE_NAMES_3 TARNEL_MODULE_NAMES_2, a2
#define TARNEL_MODULE_NAMES_4 TARNEL_MODULE_NAMES_3, a3
#define TARNEL_MODULE_NAMES_5 TARNEL_MODULE_NAMES_4, a4
#define TARNEL_MODULE_NAMES_6 TARNEL_MODULE_NAMES_5, a5
#define TARNEL_MODULE_NAMES_7 TARNEL_MODULE_NAMES_6, a6
#define TARNEL_MODULE_NAMES_8 TARNEL_MODULE_NAMES_7, a7
#define TARNEL_MODULE_NAMES_9 TARNEL_MODULE_NAMES_8, a8

// The member of a module's entry table for a function, and the function's address in the
// table's initialiser (used with the module's list of functions).
#define TARNEL_MODULE_ENTRY(name, arity) decltype(&::name) name;
#define TARNEL_MODULE_ADDRESS(name, arity) &::name,
// Defines `name` as a call through the entry table (a const ENTRIES*) that TABLE() returns.
#define TARNEL_MODULE_FORWARD(TABLE, ENTRIES, name, arity)                                \
    extern "C" TARNEL_MODULE_RESULT(name) name(TARNEL_MODULE_PARAMETERS_##arity(name)) {  \
        return ::tarnel::ForwardCall<&TABLE, &ENTRIES::name, TARNEL_MODULE_RESULT(name)>( \
            TARNEL_MODULE_NAMES_##arity);                                                 \
    }
