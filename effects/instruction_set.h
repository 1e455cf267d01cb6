#pragma once
// The vector instruction sets a kernel can be compiled for, chosen at run time
// so that one binary runs on any x86-64 processor and uses the widest vectors
// the processor has. Every set computes the same bits: the wide kernels only
// run the IEEE operations of the baseline kernel side by side, one pixel per
// lane, in the same order.

enum class instruction_set {
    baseline,  // the x86-64 baseline (SSE2), or whatever the target compiles to
    avx2,      // 256-bit vectors: four doubles
    avx512,    // 512-bit vectors (AVX-512F): eight doubles
};

// Whether this processor can run kernels compiled for the set.
inline bool instruction_set_supported(instruction_set set) {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    switch (set) {
        case instruction_set::baseline: return true;
        case instruction_set::avx2: return __builtin_cpu_supports("avx2");
        case instruction_set::avx512: return __builtin_cpu_supports("avx512f");
    }
    return false;
#else
    return set == instruction_set::baseline;
#endif
}

// The widest set this processor supports.
inline instruction_set widest_instruction_set() {
    if (instruction_set_supported(instruction_set::avx512)) return instruction_set::avx512;
    if (instruction_set_supported(instruction_set::avx2)) return instruction_set::avx2;
    return instruction_set::baseline;
}

inline const char* instruction_set_name(instruction_set set) {
    switch (set) {
        case instruction_set::baseline: return "baseline";
        case instruction_set::avx2: return "avx2";
        case instruction_set::avx512: return "avx512";
    }
    return "?";
}
