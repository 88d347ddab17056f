#include "framework/VectorState.h"

namespace tarnel {

namespace {

#if defined(__x86_64__) || defined(__i386__)
bool ProcessorHasAvx() noexcept {
    __builtin_cpu_init();  // the check may run before the runtime has filled in its cache
    return __builtin_cpu_supports("avx");
}
#endif

}  // namespace

bool ClearUpperVectorState() noexcept {
#if defined(__x86_64__) || defined(__i386__)
    static const bool hasAvx = ProcessorHasAvx();
    if (!hasAvx) return false;
    // The assembler accepts the instruction without -mavx; only the processor must have it.
    asm volatile("vzeroupper" ::: "memory");
    return true;
#else
    return false;
#endif
}

}  // namespace tarnel
