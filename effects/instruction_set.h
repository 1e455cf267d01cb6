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

// Indices of the table below, in the order of the table.
enum class instruction_set {
    scalar,  // the kernels as written, one pixel at a time: the reference
    sse2,    // 128-bit vectors, two doubles: every x86-64 processor has them
    avx2,    // 256-bit vectors, four doubles
    avx512,  // 512-bit vectors (AVX-512F), eight doubles
    simd128, // WebAssembly's 128-bit vectors, two doubles
};
constexpr int instruction_set_count = 5;

// x86-64 with a compiler that has the target attribute: lanes for SSE2, AVX2
// and AVX-512.
#if (defined(__GNUC__) || defined(__clang__)) && defined(__x86_64__)
#define VDK_X86_LANES 1
#endif
// WebAssembly built with its SIMD128 extension: lanes for SIMD128.
#if defined(__wasm_simd128__)
#define VDK_WASM_LANES 1
#endif

// One row a set: its name, the set a kernel without a copy of its own for
// this set uses instead, and whether this build has lanes for it.
struct instruction_set_row {
    instruction_set set;
    const char* name;
    instruction_set fallback;
    bool built;
};

constexpr instruction_set_row instruction_sets[instruction_set_count] = {
    {instruction_set::scalar, "scalar", instruction_set::scalar, true},
#if defined(VDK_X86_LANES)
    {instruction_set::sse2, "sse2", instruction_set::scalar, true},
    {instruction_set::avx2, "avx2", instruction_set::sse2, true},
    {instruction_set::avx512, "avx512", instruction_set::avx2, true},
#else
    {instruction_set::sse2, "sse2", instruction_set::scalar, false},
    {instruction_set::avx2, "avx2", instruction_set::sse2, false},
    {instruction_set::avx512, "avx512", instruction_set::avx2, false},
#endif
#if defined(VDK_WASM_LANES)
    {instruction_set::simd128, "simd128", instruction_set::scalar, true},
#else
    {instruction_set::simd128, "simd128", instruction_set::scalar, false},
#endif
};

constexpr const instruction_set_row& row_of(instruction_set set) {
    return instruction_sets[static_cast<int>(set)];
}

// The least set every processor of the target runs: SSE2 on x86-64, the
// scalar kernels where the build has no lanes.
constexpr instruction_set baseline_instruction_set() {
#if defined(VDK_X86_LANES)
    return instruction_set::sse2;
#elif defined(VDK_WASM_LANES)
    return instruction_set::simd128;  // a module built with it runs only where it is
#else
    return instruction_set::scalar;
#endif
}

inline const char* instruction_set_name(instruction_set set) { return row_of(set).name; }

// Whether this build has the set and this processor runs it.
bool instruction_set_supported(instruction_set set);
// The widest supported set.
instruction_set widest_instruction_set();

// The set named: a name of the table, or "baseline" for
// baseline_instruction_set(). False for any other text.
bool instruction_set_from_name(const std::string& name, instruction_set& set);
// "scalar, baseline, sse2, avx2, avx512, simd128": the names instruction_set_from_name takes.
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
