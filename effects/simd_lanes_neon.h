#pragma once
// The lanes of aarch64's Advanced SIMD (NEON), two doubles a register, in the
// vocabulary of simd_lanes.h; every aarch64 processor has them. Each
// operation is the one IEEE operation the scalar lanes perform: a multiply
// and an add stay two instructions (vmulq then vaddq), never one fused
// multiply-add, which would round once instead of twice. floor is the exact
// rounding instruction (frintm); min and max follow the x86 operand rule of
// simd_lanes.h (min(a, b) is a < b ? a : b), which NEON's own fmin and fmax
// do not (they order -0 below +0 and pass a NaN through), so both are a
// compare and a bit select.

#include "effects/instruction_set.h"
#include "effects/simd_lanes.h"

// Bit of row neon (instruction_set.h) in LANE_KERNEL_SETS.
#define LANE_SET_NEON 32
static_assert(LANE_SET_NEON == 1 << static_cast<int>(instruction_set::neon), "the bit of the neon row");

#if defined(VDK_NEON_LANES)
#include <arm_neon.h>

struct neon_lanes {
    static constexpr int width = 2;
    using value = float64x2_t;
    using mask = uint64x2_t;
    VDK_LANE_OP value set(double x) { return vdupq_n_f64(x); }
    VDK_LANE_OP value load(const double* p) { return vld1q_f64(p); }
    VDK_LANE_OP void store(double* p, value v) { vst1q_f64(p, v); }
    VDK_LANE_OP value add(value a, value b) { return vaddq_f64(a, b); }
    VDK_LANE_OP value sub(value a, value b) { return vsubq_f64(a, b); }
    VDK_LANE_OP value mul(value a, value b) { return vmulq_f64(a, b); }
    VDK_LANE_OP value div(value a, value b) { return vdivq_f64(a, b); }
    VDK_LANE_OP value sqrt(value a) { return vsqrtq_f64(a); }
    VDK_LANE_OP value floor(value a) { return vrndmq_f64(a); }
    VDK_LANE_OP value floor_within(value a) { return vrndmq_f64(a); }
    VDK_LANE_OP value abs(value a) { return vabsq_f64(a); }
    VDK_LANE_OP value negate(value a) { return vnegq_f64(a); }
    VDK_LANE_OP value min(value a, value b) { return vbslq_f64(vcltq_f64(a, b), a, b); }
    VDK_LANE_OP value max(value a, value b) { return vbslq_f64(vcgtq_f64(a, b), a, b); }
    // !(a < b): set where a is not below b, NaN included.
    VDK_LANE_OP mask not_below(value a, value b) {
        return vreinterpretq_u64_u32(vmvnq_u32(vreinterpretq_u32_u64(vcltq_f64(a, b))));
    }
    VDK_LANE_OP bool any(mask m) { return (vgetq_lane_u64(m, 0) | vgetq_lane_u64(m, 1)) != 0; }
    VDK_LANE_OP value select(mask m, value if_set, value otherwise) { return vbslq_f64(m, if_set, otherwise); }
    // a < b, clear where either is NaN.
    VDK_LANE_OP mask below(value a, value b) { return vcltq_f64(a, b); }
    // To single precision and back, rounding to nearest as a conversion to
    // float does.
    VDK_LANE_OP value round_to_float(value a) { return vcvt_f64_f32(vcvt_f32_f64(a)); }
    VDK_LANE_OP uint64x2_t bits(value a) { return vreinterpretq_u64_f64(a); }
    VDK_LANE_OP value from_bits(uint64x2_t a) { return vreinterpretq_f64_u64(a); }
    VDK_LANE_OP value bits_and(value a, value b) { return from_bits(vandq_u64(bits(a), bits(b))); }
    VDK_LANE_OP value bits_or(value a, value b) { return from_bits(vorrq_u64(bits(a), bits(b))); }
    VDK_LANE_OP value bits_add(value a, value b) { return from_bits(vaddq_u64(bits(a), bits(b))); }
    // The immediate forms take 0 to 63 on the left, 1 to 64 on the right.
    template <int n>
    VDK_LANE_OP value shift_left(value a) {
        static_assert(n >= 0 && n < 64, "a shift within the 64 bits");
        return from_bits(vshlq_n_u64(bits(a), n));
    }
    template <int n>
    VDK_LANE_OP value shift_right(value a) {
        static_assert(n >= 0 && n < 64, "a shift within the 64 bits");
        if constexpr (n == 0) {
            return a;
        } else {
            return from_bits(vshrq_n_u64(bits(a), n));
        }
    }
    VDK_LANE_OP value gather(const double* table, value index) {
        const uint64x2_t i = bits(index);
        return vcombine_f64(vld1_f64(table + vgetq_lane_u64(i, 0)), vld1_f64(table + vgetq_lane_u64(i, 1)));
    }
};
#endif
