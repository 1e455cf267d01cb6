// Compiles a kernel written against `lanes` (simd_lanes.h) once per
// instruction set of the table. No include guard: a file includes this once
// per kernel, with the kernel's file and the sets it has a copy for:
//
//   #define LANE_KERNEL "effects/effect_starfield_lanes.inc"
//   #define LANE_KERNEL_SETS LANE_VECTOR_SETS
//   #include "effects/lane_kernels.h"
//
// The copy of set X lands in namespace X_kernel (scalar_kernel, sse2_kernel,
// avx2_kernel, avx512_kernel, simd128_kernel, neon_kernel), where `lanes`
// names X's operations and every function is compiled for X; a set this
// build has no lanes for gets no copy. The sets are the rows of the table in
// instruction_set.h: a new set is its lanes and its row, nothing here.
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

// The sets as bits of LANE_KERNEL_SETS: bit n is row n of the table
// (instruction_set.h). LANE_VECTOR_SETS is every set but the scalar one (rows
// 1 to 7), so a kernel that names it gets a copy for each set this build has.
// A set whose lanes have a file of their own defines its bit there
// (simd_lanes_neon.h: LANE_SET_NEON).
#ifndef LANE_SET_SCALAR
#define LANE_SET_SCALAR 1
#define LANE_SET_SSE2 2
#define LANE_SET_AVX2 4
#define LANE_SET_AVX512 8
#define LANE_SET_SIMD128 16
#define LANE_VECTOR_SETS 0xfe
#endif

#if (LANE_KERNEL_SETS) & LANE_SET_SCALAR
namespace scalar_kernel {
using lanes = scalar_lanes;
#include LANE_KERNEL
}  // namespace scalar_kernel
#endif

// Every other row's copy (lane_kernel_copy.h), nullptr where it gets none.
#undef LANE_COPY_1
#undef LANE_COPY_2
#undef LANE_COPY_3
#undef LANE_COPY_4
#undef LANE_COPY_5
#undef LANE_COPY_6
#undef LANE_COPY_7
#define LANE_COPY_1(name) nullptr
#define LANE_COPY_2(name) nullptr
#define LANE_COPY_3(name) nullptr
#define LANE_COPY_4(name) nullptr
#define LANE_COPY_5(name) nullptr
#define LANE_COPY_6(name) nullptr
#define LANE_COPY_7(name) nullptr
#undef LANE_KERNEL_ROW
#define LANE_KERNEL_ROW 1
#include "effects/lane_kernel_copy.h"
#undef LANE_KERNEL_ROW
#define LANE_KERNEL_ROW 2
#include "effects/lane_kernel_copy.h"
#undef LANE_KERNEL_ROW
#define LANE_KERNEL_ROW 3
#include "effects/lane_kernel_copy.h"
#undef LANE_KERNEL_ROW
#define LANE_KERNEL_ROW 4
#include "effects/lane_kernel_copy.h"
#undef LANE_KERNEL_ROW
#define LANE_KERNEL_ROW 5
#include "effects/lane_kernel_copy.h"
#undef LANE_KERNEL_ROW
#define LANE_KERNEL_ROW 6
#include "effects/lane_kernel_copy.h"
#undef LANE_KERNEL_ROW
#define LANE_KERNEL_ROW 7
#include "effects/lane_kernel_copy.h"
#undef LANE_KERNEL_ROW

// In the order of the table: the scalar entry, then one a row that exists.
#undef LANE_KERNEL_COPIES
#define LANE_KERNEL_COPIES(scalar, name)                                                          \
    {{scalar VDK_IF_SET(1, , LANE_COPY_1(name)) VDK_IF_SET(2, , LANE_COPY_2(name))                \
          VDK_IF_SET(3, , LANE_COPY_3(name)) VDK_IF_SET(4, , LANE_COPY_4(name))                   \
              VDK_IF_SET(5, , LANE_COPY_5(name)) VDK_IF_SET(6, , LANE_COPY_6(name))               \
                  VDK_IF_SET(7, , LANE_COPY_7(name))}}

#undef LANE_KERNEL
#undef LANE_KERNEL_SETS
