// Compiles a kernel written against `lanes` (simd_lanes.h) once per
// instruction set of the table. No include guard: a file includes this once
// per kernel, with the kernel's file and the sets it has a copy for:
//
//   #define LANE_KERNEL "effects/effect_starfield_lanes.inc"
//   #define LANE_KERNEL_SETS LANE_VECTOR_SETS
//   #include "effects/lane_kernels.h"
//
// The copy of set X lands in namespace X_kernel (scalar_kernel, sse2_kernel,
// avx2_kernel, avx512_kernel, simd128_kernel), where `lanes` names X's operations and every
// function is compiled for X; a set this build has no lanes for gets no copy.
// Right after the include, LANE_KERNEL_COPIES(scalar, name) is the
// kernel_table of the kernel's function `name`: `scalar` for the scalar set
// (the reference kernel, or scalar_kernel::name), the copies made, and
// nullptr for the sets without one, which then draw with their fallback.
//
// A set that pays for no kernel gets no copy: a kernel names only the sets
// whose copy a benchmark shows to be faster than the one it falls back to.

#include "effects/simd_lanes.h"

#ifndef LANE_KERNEL
#error "define LANE_KERNEL as the kernel file to compile per set"
#endif
#ifndef LANE_KERNEL_SETS
#error "define LANE_KERNEL_SETS as the sets to compile the kernel for"
#endif

// The sets as bits of LANE_KERNEL_SETS.
#ifndef LANE_SET_SCALAR
#define LANE_SET_SCALAR 1
#define LANE_SET_SSE2 2
#define LANE_SET_AVX2 4
#define LANE_SET_AVX512 8
#define LANE_SET_SIMD128 16
#define LANE_VECTOR_SETS (LANE_SET_SSE2 | LANE_SET_AVX2 | LANE_SET_AVX512 | LANE_SET_SIMD128)
#endif

#undef LANE_COPY_SSE2
#undef LANE_COPY_AVX2
#undef LANE_COPY_AVX512
#undef LANE_COPY_SIMD128
#define LANE_COPY_SSE2(name) nullptr
#define LANE_COPY_AVX2(name) nullptr
#define LANE_COPY_AVX512(name) nullptr
#define LANE_COPY_SIMD128(name) nullptr

#if (LANE_KERNEL_SETS) & LANE_SET_SCALAR
namespace scalar_kernel {
using lanes = scalar_lanes;
#include LANE_KERNEL
}  // namespace scalar_kernel
#endif

#if defined(VDK_X86_LANES) && ((LANE_KERNEL_SETS) & LANE_SET_SSE2)
VDK_TARGET_REGION_BEGIN("sse2")
namespace sse2_kernel {
using lanes = sse2_lanes;
#include LANE_KERNEL
}  // namespace sse2_kernel
VDK_TARGET_REGION_END
#undef LANE_COPY_SSE2
#define LANE_COPY_SSE2(name) &sse2_kernel::name
#endif

#if defined(VDK_X86_LANES) && ((LANE_KERNEL_SETS) & LANE_SET_AVX2)
VDK_TARGET_REGION_BEGIN("avx2,fma")
namespace avx2_kernel {
using lanes = avx2_lanes;
#include LANE_KERNEL
}  // namespace avx2_kernel
VDK_TARGET_REGION_END
#undef LANE_COPY_AVX2
#define LANE_COPY_AVX2(name) &avx2_kernel::name
#endif

#if defined(VDK_X86_LANES) && ((LANE_KERNEL_SETS) & LANE_SET_AVX512)
VDK_TARGET_REGION_BEGIN("avx512f")
namespace avx512_kernel {
using lanes = avx512_lanes;
#include LANE_KERNEL
}  // namespace avx512_kernel
VDK_TARGET_REGION_END
#undef LANE_COPY_AVX512
#define LANE_COPY_AVX512(name) &avx512_kernel::name
#endif

// WebAssembly: the whole module is compiled with SIMD128, no region needed.
#if defined(VDK_WASM_LANES) && ((LANE_KERNEL_SETS) & LANE_SET_SIMD128)
namespace simd128_kernel {
using lanes = simd128_lanes;
#include LANE_KERNEL
}  // namespace simd128_kernel
#undef LANE_COPY_SIMD128
#define LANE_COPY_SIMD128(name) &simd128_kernel::name
#endif

// In the order of the table.
#undef LANE_KERNEL_COPIES
#define LANE_KERNEL_COPIES(scalar, name) \
    {{scalar, LANE_COPY_SSE2(name), LANE_COPY_AVX2(name), LANE_COPY_AVX512(name), LANE_COPY_SIMD128(name)}}

#undef LANE_KERNEL
#undef LANE_KERNEL_SETS
