// One set's copy of a kernel, for lane_kernels.h, which includes this once
// per row number LANE_KERNEL_ROW of the table (instruction_set.h) from 1. No
// include guard. Where the row exists, this build has its lanes and
// LANE_KERNEL_SETS has its bit, the kernel file is compiled into namespace
// <set>_kernel with `lanes` naming <set>_lanes, in the set's target region
// when it has one, and LANE_COPY_<row>(name) then names the copy's function.

#if VDK_SET_EXISTS(LANE_KERNEL_ROW)
#if VDK_SET_BUILT(LANE_KERNEL_ROW) && (((LANE_KERNEL_SETS) >> LANE_KERNEL_ROW) & 1)

#if VDK_SET_FIELD(REGION, LANE_KERNEL_ROW)
VDK_TARGET_REGION_BEGIN(VDK_SET_FIELD(TARGET, LANE_KERNEL_ROW))
#endif
namespace VDK_CAT(VDK_SET_NAME(LANE_KERNEL_ROW), _kernel) {
using lanes = VDK_CAT(VDK_SET_NAME(LANE_KERNEL_ROW), _lanes);
#include LANE_KERNEL
}  // namespace <set>_kernel
#if VDK_SET_FIELD(REGION, LANE_KERNEL_ROW)
VDK_TARGET_REGION_END
#endif

// A macro's name cannot be computed: one line a row number.
#if LANE_KERNEL_ROW == 1
#undef LANE_COPY_1
#define LANE_COPY_1(name) &VDK_CAT(VDK_SET_NAME(1), _kernel)::name
#elif LANE_KERNEL_ROW == 2
#undef LANE_COPY_2
#define LANE_COPY_2(name) &VDK_CAT(VDK_SET_NAME(2), _kernel)::name
#elif LANE_KERNEL_ROW == 3
#undef LANE_COPY_3
#define LANE_COPY_3(name) &VDK_CAT(VDK_SET_NAME(3), _kernel)::name
#elif LANE_KERNEL_ROW == 4
#undef LANE_COPY_4
#define LANE_COPY_4(name) &VDK_CAT(VDK_SET_NAME(4), _kernel)::name
#elif LANE_KERNEL_ROW == 5
#undef LANE_COPY_5
#define LANE_COPY_5(name) &VDK_CAT(VDK_SET_NAME(5), _kernel)::name
#elif LANE_KERNEL_ROW == 6
#undef LANE_COPY_6
#define LANE_COPY_6(name) &VDK_CAT(VDK_SET_NAME(6), _kernel)::name
#elif LANE_KERNEL_ROW == 7
#undef LANE_COPY_7
#define LANE_COPY_7(name) &VDK_CAT(VDK_SET_NAME(7), _kernel)::name
#endif

#endif
#endif
