#ifndef ALGORITHMS_C_MODULE_ISA_HPP
#define ALGORITHMS_C_MODULE_ISA_HPP

// What the array module's vectorised loops share, the ufuncs' and the column
// passes' alike: the pragmas that have the compiler vectorise them, and one
// way to run them in the widest clone that the processor has.  A piece of
// work is a type with a static, always-inlined `run`; widest_clone<Work>(...)
// builds `run` once for each instruction set (on x86 plain x86-64, AVX2 and
// AVX-512, whose wider vectors and unsigned comparisons the loops use; one
// build elsewhere) and calls the widest, chosen once at import.
// ALGORITHMS_C_NUMPY_WIDEST set to "plain" or "avx2" chooses no wider clone
// than that, so that each can be tested on one machine.

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <utility>

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
#define ALGORITHMS_C_X86 1
#define ALGORITHMS_C_AVX2 __attribute__((target("avx2")))
#define ALGORITHMS_C_AVX512 __attribute__((target("avx512f,avx512vl,avx512bw,avx512dq")))
#else
#define ALGORITHMS_C_X86 0
#endif

// A clone built with GCC's first scheduling pass, which is off on x86 and
// keeps register pressure in view: for work whose loop is one long chain
// (Gregorian to Jalali), without it GCC spills and rebuilds constants inside
// the loop.
#if defined(__GNUC__) && !defined(__clang__)
#define ALGORITHMS_C_PRESSURE_SCHEDULED __attribute__((optimize("schedule-insns", "sched-pressure")))
#else
#define ALGORITHMS_C_PRESSURE_SCHEDULED
#endif

namespace {

enum class isa { plain, avx2, avx512 };

#if ALGORITHMS_C_X86
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
#endif

// Work::pressure_scheduled, where it says so: its clones are built
// ALGORITHMS_C_PRESSURE_SCHEDULED.
template <typename Work, typename = void>
constexpr bool pressure_scheduled = false;
template <typename Work>
constexpr bool pressure_scheduled<Work, decltype(void(Work::pressure_scheduled))> = Work::pressure_scheduled;

// Work::narrowest, where it names one: the narrowest instruction set whose
// clone is built (the others leave a loop of it unvectorised).
template <typename Work, typename = void>
constexpr isa narrowest = isa::plain;
template <typename Work>
constexpr isa narrowest<Work, decltype(void(Work::narrowest))> = Work::narrowest;

// Whether the processor runs a clone of Work: widest_clone<Work> is called
// only where it does.
template <typename Work>
bool has_clone() noexcept
{
#if ALGORITHMS_C_X86
    return widest >= narrowest<Work>;
#else
    return true;
#endif
}

// The clones of Work::run, each a function of its own.
template <typename Work>
struct clones {
    template <typename... A>
    static auto plain(A &&...a) noexcept
    {
        return Work::run(std::forward<A>(a)...);
    }
    template <typename... A>
    ALGORITHMS_C_PRESSURE_SCHEDULED static auto plain_scheduled(A &&...a) noexcept
    {
        return Work::run(std::forward<A>(a)...);
    }
#if ALGORITHMS_C_X86
    template <typename... A>
    ALGORITHMS_C_AVX2 static auto avx2(A &&...a) noexcept
    {
        return Work::run(std::forward<A>(a)...);
    }
    template <typename... A>
    ALGORITHMS_C_AVX512 static auto avx512(A &&...a) noexcept
    {
        return Work::run(std::forward<A>(a)...);
    }
    template <typename... A>
    ALGORITHMS_C_PRESSURE_SCHEDULED ALGORITHMS_C_AVX2 static auto avx2_scheduled(A &&...a) noexcept
    {
        return Work::run(std::forward<A>(a)...);
    }
    template <typename... A>
    ALGORITHMS_C_PRESSURE_SCHEDULED ALGORITHMS_C_AVX512 static auto avx512_scheduled(A &&...a) noexcept
    {
        return Work::run(std::forward<A>(a)...);
    }
#endif
};

// Work::run(a...) in the widest clone that the processor has.
template <typename Work, typename... A>
auto widest_clone(A &&...a) noexcept
{
    using built = clones<Work>;
    if constexpr (pressure_scheduled<Work>) {
#if ALGORITHMS_C_X86
        if (widest == isa::avx512)
            return built::avx512_scheduled(std::forward<A>(a)...);
        if constexpr (narrowest<Work> <= isa::avx2)
            if (widest == isa::avx2)
                return built::avx2_scheduled(std::forward<A>(a)...);
        if constexpr (narrowest<Work> != isa::plain)
            __builtin_unreachable();  // has_clone<Work>() is false
        else
#endif
            return built::plain_scheduled(std::forward<A>(a)...);
    } else {
#if ALGORITHMS_C_X86
        if (widest == isa::avx512)
            return built::avx512(std::forward<A>(a)...);
        if constexpr (narrowest<Work> <= isa::avx2)
            if (widest == isa::avx2)
                return built::avx2(std::forward<A>(a)...);
        if constexpr (narrowest<Work> != isa::plain)
            __builtin_unreachable();  // has_clone<Work>() is false
        else
#endif
            return built::plain(std::forward<A>(a)...);
    }
}

}  // namespace

#endif
