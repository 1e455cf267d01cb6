#pragma once
// The vector instruction sets a kernel can be compiled for, and the one the
// effects draw with. One binary runs on any processor of its target and uses
// the widest vectors the processor has. Every set computes the same bits: a
// vector kernel runs the IEEE operations of the scalar kernel side by side,
// one pixel per lane, in the same order.
//
// A set is in this build when the compiler has lanes for it (simd_lanes.h)
// and is usable when the processor also runs it. The chosen set is the
// widest usable one unless the environment variable VELDRAKIN_ISA, or a tool
// through choose_instruction_set(), names another.

#include <string>

// A kernel function that inlines every call it makes: its loop and all it
// calls are compiled as one, for the set of the function.
#if defined(__GNUC__) || defined(__clang__)
#define VDK_FLATTEN __attribute__((flatten))
#else
#define VDK_FLATTEN
#endif

// x86-64 with a compiler that has the target attribute: lanes for SSE2, AVX2
// and AVX-512.
#if (defined(__GNUC__) || defined(__clang__)) && defined(__x86_64__)
#define VDK_X86_LANES 1
#endif
// WebAssembly built with its SIMD128 extension: lanes for SIMD128.
#if defined(__wasm_simd128__)
#define VDK_WASM_LANES 1
#endif
// 64-bit ARM, where Advanced SIMD (NEON) is part of the architecture.
#if defined(__aarch64__) && defined(__ARM_NEON)
#define VDK_NEON_LANES 1
#endif

// Whether an x86 processor runs a feature (false elsewhere).
#if defined(VDK_X86_LANES)
#define VDK_X86_RUNS(feature) __builtin_cpu_supports(feature)
#else
#define VDK_X86_RUNS(feature) false
#endif

// The sets, one row each, numbered in the order of the table (the number is
// also the set's bit in LANE_KERNEL_SETS, lane_kernels.h):
//   (name, fallback, built, region, target, baseline, runs)
// name: the set's name; its lanes are name_lanes (simd_lanes.h and the files
//   it includes) and a kernel's copy lands in namespace name_kernel.
// fallback: the set a kernel without a copy of its own for this set uses.
// built: a macro defined as 1 where this build has lanes for the set.
// region: 1 when the set's kernels are compiled in a target region for
//   target (the compiler's name of the set); 0 when the whole build is.
// baseline: 1 when every processor of a target with the set's lanes runs it
//   (the widest such set this build has is the baseline).
// runs: whether this processor runs the set, asked only where it is built.
// Rows 0 to 7; lane_kernels.h compiles a kernel for each row from 1.
// (A module built with SIMD128 loads only where it runs.)
#define VDK_INSTRUCTION_SET_0 (scalar, scalar, 1, 0, "", 1, true)
#define VDK_INSTRUCTION_SET_1 (sse2, scalar, VDK_X86_LANES, 1, "sse2", 1, true)
// The AVX2 copies use FMA3 as well (exact quotients), and an AVX-512 kernel
// may fall back to an AVX2 copy, so both sets ask for it.
#define VDK_INSTRUCTION_SET_2 (avx2, sse2, VDK_X86_LANES, 1, "avx2,fma", 0, VDK_X86_RUNS("avx2") && VDK_X86_RUNS("fma"))
#define VDK_INSTRUCTION_SET_3 \
    (avx512, avx2, VDK_X86_LANES, 1, "avx512f", 0, VDK_X86_RUNS("avx512f") && VDK_X86_RUNS("fma"))
#define VDK_INSTRUCTION_SET_4 (simd128, scalar, VDK_WASM_LANES, 0, "", 1, true)
#define VDK_INSTRUCTION_SET_5 (neon, scalar, VDK_NEON_LANES, 0, "", 1, true)

// The fields of row n, by the preprocessor. VDK_SET_EXISTS(n) is 1 when row
// n is defined; VDK_SET_BUILT(n) is 1 or 0 in C++ as in #if.
#define VDK_CAT_(a, b) a##b
#define VDK_CAT(a, b) VDK_CAT_(a, b)
#define VDK_EXPAND(...) __VA_ARGS__
#define VDK_SECOND_(a, b, ...) b
#define VDK_SECOND(...) VDK_SECOND_(__VA_ARGS__)
#define VDK_PROBE_ROW(...) ~, 1
#define VDK_PROBE_ONE_1 ~, 1
#define VDK_SET_EXISTS_(row) VDK_SECOND(VDK_PROBE_ROW row, 0, ~)
#define VDK_SET_EXISTS(n) VDK_SET_EXISTS_(VDK_CAT(VDK_INSTRUCTION_SET_, n))
#define VDK_SET_FIELD_NAME(name, fallback, built, region, target, baseline, runs) name
#define VDK_SET_FIELD_FALLBACK(name, fallback, built, region, target, baseline, runs) fallback
#define VDK_SET_FIELD_BUILT(name, fallback, built, region, target, baseline, runs) \
    VDK_SECOND(VDK_CAT(VDK_PROBE_ONE_, built), 0, ~)
#define VDK_SET_FIELD_BASELINE(name, fallback, built, region, target, baseline, runs) baseline
#define VDK_SET_FIELD_REGION(name, fallback, built, region, target, baseline, runs) region
#define VDK_SET_FIELD_TARGET(name, fallback, built, region, target, baseline, runs) target
#define VDK_SET_FIELD_RUNS(name, fallback, built, region, target, baseline, runs) runs
#define VDK_SET_FIELD(field, n) VDK_EXPAND(VDK_CAT(VDK_SET_FIELD_, field) VDK_CAT(VDK_INSTRUCTION_SET_, n))
#define VDK_SET_NAME(n) VDK_SET_FIELD(NAME, n)
#define VDK_SET_BUILT(n) VDK_SET_FIELD(BUILT, n)
// text where row n exists, nothing elsewhere.
#define VDK_IF_SET_0(...)
#define VDK_IF_SET_1(...) __VA_ARGS__
#define VDK_IF_SET(n, ...) VDK_CAT(VDK_IF_SET_, VDK_SET_EXISTS(n))(__VA_ARGS__)
// macro(n, arg) for every row number.
#define VDK_EACH_SET(macro, arg) \
    macro(0, arg) macro(1, arg) macro(2, arg) macro(3, arg) macro(4, arg) macro(5, arg) macro(6, arg) macro(7, arg)
#if VDK_SET_EXISTS(8)
#error "rows 0 to 7 only: VDK_EACH_SET and lane_kernels.h reach no further"
#endif

// Indices of the table below, in the order of the rows: scalar (the kernels
// as written, one pixel at a time: the reference), sse2 (128-bit vectors, two
// doubles: every x86-64 processor has them), avx2 (256-bit, four doubles),
// avx512 (512-bit, AVX-512F, eight doubles), simd128 (WebAssembly's 128-bit
// vectors, two doubles), neon (aarch64's Advanced SIMD, two doubles).
#define VDK_SET_ENUMERATOR(n, unused) VDK_IF_SET(n, VDK_SET_NAME(n), )
enum class instruction_set { VDK_EACH_SET(VDK_SET_ENUMERATOR, ~) };
#define VDK_SET_COUNTED(n, unused) VDK_IF_SET(n, +1)
constexpr int instruction_set_count = 0 VDK_EACH_SET(VDK_SET_COUNTED, ~);

// One row a set: its name, the set a kernel without a copy of its own for
// this set uses instead, whether this build has lanes for it, and whether
// every processor of a target with its lanes runs it.
struct instruction_set_row {
    instruction_set set;
    const char* name;
    instruction_set fallback;
    bool built;
    bool every_processor;
};

#define VDK_SET_STRING_(...) #__VA_ARGS__
#define VDK_SET_STRING(x) VDK_SET_STRING_(x)
#define VDK_SET_ROW(n, unused)                                                                      \
    VDK_IF_SET(n, {instruction_set::VDK_SET_NAME(n), VDK_SET_STRING(VDK_SET_NAME(n)),              \
                   instruction_set::VDK_SET_FIELD(FALLBACK, n), VDK_SET_BUILT(n) == 1,                \
                   VDK_SET_FIELD(BASELINE, n) == 1}, )
constexpr instruction_set_row instruction_sets[instruction_set_count] = {VDK_EACH_SET(VDK_SET_ROW, ~)};

constexpr const instruction_set_row& row_of(instruction_set set) {
    return instruction_sets[static_cast<int>(set)];
}

// The least set every processor of the target runs: the widest set of the
// build that every processor with its lanes runs (SSE2 on x86-64, SIMD128 in
// a module built with it, NEON on aarch64), the scalar kernels where the
// build has no lanes.
constexpr instruction_set baseline_instruction_set() {
    instruction_set baseline = instruction_set::scalar;
    for (const instruction_set_row& row : instruction_sets) {
        if (row.built && row.every_processor) baseline = row.set;
    }
    return baseline;
}

inline const char* instruction_set_name(instruction_set set) { return row_of(set).name; }

// Whether this build has the set and this processor runs it.
bool instruction_set_supported(instruction_set set);
// The widest supported set.
instruction_set widest_instruction_set();

// The set named: a name of the table, or "baseline" for
// baseline_instruction_set(). False for any other text.
bool instruction_set_from_name(const std::string& name, instruction_set& set);
// "scalar, baseline, sse2, avx2, avx512, simd128, neon": the names instruction_set_from_name takes.
std::string instruction_set_names();

// The set the effects draw with. The first call reads VELDRAKIN_ISA: a
// supported set named there is chosen, otherwise the widest (a name that is
// unknown or not supported is reported once on standard error).
instruction_set chosen_instruction_set();
// Chooses set for every later draw; false, and nothing changes, when the
// processor cannot run it.
bool choose_instruction_set(instruction_set set);
// What VELDRAKIN_ISA asks for: false with a reason when it is set but names
// no supported set, true otherwise (also when it is unset or empty).
bool environment_instruction_set_valid(std::string& reason);

// A kernel's copies, one entry per set: the scalar kernel at index 0 and the
// copy compiled for each other set, or nullptr where the kernel has none
// (then the set draws with the copy of its fallback). A scalar entry of
// nullptr stands for a scalar kernel of another form, which the caller runs
// when the table gives nullptr.
template <class Function>
struct kernel_table {
    Function copies[instruction_set_count];

    // The copy that draws for a supported set.
    Function operator[](instruction_set set) const {
        while (copies[static_cast<int>(set)] == nullptr && set != instruction_set::scalar) {
            set = row_of(set).fallback;
        }
        return copies[static_cast<int>(set)];
    }
    // The copy of the chosen set.
    Function chosen() const { return (*this)[chosen_instruction_set()]; }
};
