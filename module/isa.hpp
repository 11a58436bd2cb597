#ifndef ALGORITHMS_C_MODULE_ISA_HPP
#define ALGORITHMS_C_MODULE_ISA_HPP

// What the array module's vectorised loops share: the pragmas that have the
// compiler vectorise them, and on x86 the choice, made once at import, of the
// widest of their clones that the processor runs: plain x86-64, AVX2 or
// AVX-512 (whose wider vectors and unsigned comparisons they use).
// ALGORITHMS_C_NUMPY_WIDEST set to "plain" or "avx2" chooses no wider clone
// than that, so that each can be tested on one machine.

#include <algorithm>
#include <cstdlib>
#include <cstring>

// Before each fast loop: vectorise it, even where clang's cost model would
// rather not (for the plain x86-64 clone); what the loops read and what they
// write cannot overlap, as GCC is told.  From 32-bit integers to doubles,
// clang takes as many elements at a time as a vector of doubles holds, and
// leaves half of each integer vector idle: 16 at a time, it took at most two
// thirds of the time in every clone.
#if defined(__clang__)
#define FAST_LOOP _Pragma("clang loop vectorize(enable)")
#define TO_DOUBLES_FAST_LOOP _Pragma("clang loop vectorize(enable) vectorize_width(16)")
#elif defined(__GNUC__)
#define FAST_LOOP _Pragma("GCC ivdep")
#define TO_DOUBLES_FAST_LOOP FAST_LOOP
#else
#define FAST_LOOP
#define TO_DOUBLES_FAST_LOOP
#endif

#if defined(__x86_64__) || defined(__i386__)
#define ALGORITHMS_C_AVX2 __attribute__((target("avx2")))
#define ALGORITHMS_C_AVX512 __attribute__((target("avx512f,avx512vl,avx512bw,avx512dq")))

namespace {

enum class isa { plain, avx2, avx512 };

isa widest_supported() noexcept
{
    __builtin_cpu_init();
    const isa cpu = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl")
                            && __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512dq")
                        ? isa::avx512
                    : __builtin_cpu_supports("avx2") ? isa::avx2
                                                     : isa::plain;
    const char *cap = std::getenv("ALGORITHMS_C_NUMPY_WIDEST");
    const isa most = cap == nullptr ? isa::avx512
                   : std::strcmp(cap, "plain") == 0 ? isa::plain
                   : std::strcmp(cap, "avx2") == 0  ? isa::avx2
                                                    : isa::avx512;
    return std::min(cpu, most);
}

const isa widest = widest_supported();

}  // namespace
#endif

#endif
