#pragma once
// The lane vocabulary: the operations of each instruction set of the table
// (instruction_set.h), for kernels that run one pixel (or ray) per lane.
// Each operation is one IEEE operation per lane, so a lane computes exactly
// what the scalar code computes when the kernel keeps the scalar code's
// operations and their order. A kernel is written once against `lanes` and
// compiled once per set by lane_kernels.h.
//
// min and max take their operands as the instructions do: min(a, b) is
// a < b ? a : b and max(a, b) is a > b ? a : b, so std::min(x, y) is
// min(y, x) and std::max(x, y) is max(y, x). floor is exact for every double;
// floor_within is floor for |a| < 2^51 and may give anything beyond, which
// saves SSE2 the instructions that reach that far.
//
// The lanes also hold integers as the 64-bit patterns of their doubles:
// bits_and, bits_or and bits_add work on those patterns, shift_left and
// shift_right<n> shift them (shift_right fills with zeros), and gather reads
// table[i] for the small non-negative integer i each lane holds.
// round_to_float rounds each double to single precision (to nearest, as a
// conversion to float does) and back.
//
// The AVX2 and AVX-512 lanes also have the fused multiply-add (one rounding
// of a b + c, and of c - a b) and a reciprocal estimate good to
// reciprocal_estimate_bits bits, for a normal a whose reciprocal is normal
// (for AVX2 also within the single-precision range); their member
// has_fused_multiply_add tells a kernel so. AVX2 comes with FMA3 on every
// processor that has it, so the AVX2 set is compiled, and used, with both.

#include <cmath>
#include <cstdint>
#include <cstring>

#include "effects/instruction_set.h"

// A region of functions compiled for one instruction set (target names as
// the compilers spell them: "sse2", "avx2", "avx512f"). GCC takes a target
// pragma; Clang ignores that one and takes an attribute pushed on every
// function declared in the region.
#define VDK_LANE_PRAGMA(text) _Pragma(#text)
#if defined(__clang__)
#define VDK_TARGET_REGION_BEGIN(isa) \
    VDK_LANE_PRAGMA(clang attribute push(__attribute__((target(isa))), apply_to = function))
#define VDK_TARGET_REGION_END VDK_LANE_PRAGMA(clang attribute pop)
#elif defined(__GNUC__)
#define VDK_TARGET_REGION_BEGIN(isa) VDK_LANE_PRAGMA(GCC push_options) VDK_LANE_PRAGMA(GCC target(isa))
#define VDK_TARGET_REGION_END VDK_LANE_PRAGMA(GCC pop_options)
#else
#define VDK_TARGET_REGION_BEGIN(isa)
#define VDK_TARGET_REGION_END
#endif

// Forced inline: a lane operation is compiled into the kernel of its set.
#if defined(__GNUC__) || defined(__clang__)
#define VDK_LANE_OP [[gnu::always_inline]] static inline
#else
#define VDK_LANE_OP static inline
#endif

// The double whose 64-bit pattern is bits.
inline double double_from_bits(uint64_t bits) {
    double a;
    std::memcpy(&a, &bits, sizeof a);
    return a;
}

// One double a lane: the scalar set, and the lanes of a target without
// vectors.
struct scalar_lanes {
    static constexpr int width = 1;
    using value = double;
    using mask = bool;
    VDK_LANE_OP value set(double x) { return x; }
    VDK_LANE_OP value load(const double* p) { return *p; }
    VDK_LANE_OP void store(double* p, value v) { *p = v; }
    VDK_LANE_OP value add(value a, value b) { return a + b; }
    VDK_LANE_OP value sub(value a, value b) { return a - b; }
    VDK_LANE_OP value mul(value a, value b) { return a * b; }
    VDK_LANE_OP value div(value a, value b) { return a / b; }
    VDK_LANE_OP value sqrt(value a) { return std::sqrt(a); }
    VDK_LANE_OP value floor(value a) { return std::floor(a); }
    VDK_LANE_OP value floor_within(value a) { return std::floor(a); }
    VDK_LANE_OP value abs(value a) { return std::fabs(a); }
    VDK_LANE_OP value negate(value a) { return -a; }
    VDK_LANE_OP value min(value a, value b) { return a < b ? a : b; }
    VDK_LANE_OP value max(value a, value b) { return a > b ? a : b; }
    // !(a < b): true where a is not below b, NaN included.
    VDK_LANE_OP mask not_below(value a, value b) { return !(a < b); }
    VDK_LANE_OP bool any(mask m) { return m; }
    VDK_LANE_OP value select(mask m, value if_set, value otherwise) { return m ? if_set : otherwise; }
    // a < b, false where either is NaN.
    VDK_LANE_OP mask below(value a, value b) { return a < b; }
    VDK_LANE_OP value round_to_float(value a) { return static_cast<double>(static_cast<float>(a)); }
    VDK_LANE_OP uint64_t bits_of(value a) {
        uint64_t bits;
        std::memcpy(&bits, &a, sizeof bits);
        return bits;
    }
    VDK_LANE_OP value from_bits(uint64_t bits) { return double_from_bits(bits); }
    VDK_LANE_OP value bits_and(value a, value b) { return from_bits(bits_of(a) & bits_of(b)); }
    VDK_LANE_OP value bits_or(value a, value b) { return from_bits(bits_of(a) | bits_of(b)); }
    VDK_LANE_OP value bits_add(value a, value b) { return from_bits(bits_of(a) + bits_of(b)); }
    template <int n>
    VDK_LANE_OP value shift_left(value a) { return from_bits(bits_of(a) << n); }
    template <int n>
    VDK_LANE_OP value shift_right(value a) { return from_bits(bits_of(a) >> n); }
    VDK_LANE_OP value gather(const double* table, value index) { return table[bits_of(index)]; }
};

#if defined(VDK_X86_LANES)
// GCC 12's AVX-512 intrinsics fill their unused pass-through operands with a
// deliberately uninitialised value, which -Wuninitialized reports wherever
// they are inlined; the warning is about the header, not about the kernels.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#pragma GCC diagnostic pop

// Two doubles a register, the x86-64 baseline. SSE2 has neither a rounding
// instruction nor a blend: floor rounds through 2^52, select masks.
VDK_TARGET_REGION_BEGIN("sse2")
struct sse2_lanes {
    static constexpr int width = 2;
    using value = __m128d;
    using mask = __m128d;
    VDK_LANE_OP value set(double x) { return _mm_set1_pd(x); }
    VDK_LANE_OP value load(const double* p) { return _mm_loadu_pd(p); }
    VDK_LANE_OP void store(double* p, value v) { _mm_storeu_pd(p, v); }
    VDK_LANE_OP value add(value a, value b) { return _mm_add_pd(a, b); }
    VDK_LANE_OP value sub(value a, value b) { return _mm_sub_pd(a, b); }
    VDK_LANE_OP value mul(value a, value b) { return _mm_mul_pd(a, b); }
    VDK_LANE_OP value div(value a, value b) { return _mm_div_pd(a, b); }
    VDK_LANE_OP value sqrt(value a) { return _mm_sqrt_pd(a); }
    // Below 2^52, adding and removing 2^52 rounds |a| to an integer (to
    // nearest); with a's sign back (so that -0 stays -0), one less where
    // that rounded up. From 2^52 on (and for NaN) a is its own floor.
    VDK_LANE_OP value floor(value a) {
        const value sign = _mm_and_pd(a, _mm_set1_pd(-0.0));
        const value magnitude = _mm_andnot_pd(_mm_set1_pd(-0.0), a);
        const value two_52 = _mm_set1_pd(4503599627370496.0);
        const value rounded = _mm_or_pd(_mm_sub_pd(_mm_add_pd(magnitude, two_52), two_52), sign);
        const value floored =
            _mm_sub_pd(rounded, _mm_and_pd(_mm_cmpgt_pd(rounded, a), _mm_set1_pd(1.0)));
        return select(not_below(magnitude, two_52), a, floored);
    }
    // Below 2^51, adding and removing 1.5 * 2^52 rounds a to an integer (to
    // nearest); a's sign goes back on (so that -0 and (-0.5, 0) keep theirs),
    // then one less where that rounded up.
    VDK_LANE_OP value floor_within(value a) {
        const value shifter = _mm_set1_pd(6755399441055744.0);
        const value rounded =
            _mm_or_pd(_mm_sub_pd(_mm_add_pd(a, shifter), shifter), _mm_and_pd(a, _mm_set1_pd(-0.0)));
        return _mm_sub_pd(rounded, _mm_and_pd(_mm_cmpgt_pd(rounded, a), _mm_set1_pd(1.0)));
    }
    VDK_LANE_OP value abs(value a) { return _mm_andnot_pd(_mm_set1_pd(-0.0), a); }
    VDK_LANE_OP value negate(value a) { return _mm_xor_pd(_mm_set1_pd(-0.0), a); }
    VDK_LANE_OP value min(value a, value b) { return _mm_min_pd(a, b); }
    VDK_LANE_OP value max(value a, value b) { return _mm_max_pd(a, b); }
    VDK_LANE_OP mask not_below(value a, value b) { return _mm_cmpnlt_pd(a, b); }
    VDK_LANE_OP bool any(mask m) { return _mm_movemask_pd(m) != 0; }
    VDK_LANE_OP value select(mask m, value if_set, value otherwise) {
        return _mm_or_pd(_mm_and_pd(m, if_set), _mm_andnot_pd(m, otherwise));
    }
    VDK_LANE_OP mask below(value a, value b) { return _mm_cmplt_pd(a, b); }
    VDK_LANE_OP value round_to_float(value a) { return _mm_cvtps_pd(_mm_cvtpd_ps(a)); }
    VDK_LANE_OP value bits_and(value a, value b) { return _mm_and_pd(a, b); }
    VDK_LANE_OP value bits_or(value a, value b) { return _mm_or_pd(a, b); }
    VDK_LANE_OP value bits_add(value a, value b) {
        return _mm_castsi128_pd(_mm_add_epi64(_mm_castpd_si128(a), _mm_castpd_si128(b)));
    }
    template <int n>
    VDK_LANE_OP value shift_left(value a) { return _mm_castsi128_pd(_mm_slli_epi64(_mm_castpd_si128(a), n)); }
    template <int n>
    VDK_LANE_OP value shift_right(value a) { return _mm_castsi128_pd(_mm_srli_epi64(_mm_castpd_si128(a), n)); }
    VDK_LANE_OP value gather(const double* table, value index) {
        const __m128i i = _mm_castpd_si128(index);
        return _mm_set_pd(table[_mm_cvtsi128_si64(_mm_unpackhi_epi64(i, i))], table[_mm_cvtsi128_si64(i)]);
    }
};
VDK_TARGET_REGION_END

VDK_TARGET_REGION_BEGIN("avx2,fma")
struct avx2_lanes {
    static constexpr int width = 4;
    using value = __m256d;
    using mask = __m256d;
    static constexpr bool has_fused_multiply_add = true;
    // rcpps: relative error at most 1.5 * 2^-12, and 2^-24 more from
    // rounding a to single precision.
    static constexpr int reciprocal_estimate_bits = 11;
    VDK_LANE_OP value multiply_add(value a, value b, value c) { return _mm256_fmadd_pd(a, b, c); }
    VDK_LANE_OP value negative_multiply_add(value a, value b, value c) { return _mm256_fnmadd_pd(a, b, c); }
    VDK_LANE_OP value reciprocal_estimate(value a) { return _mm256_cvtps_pd(_mm_rcp_ps(_mm256_cvtpd_ps(a))); }
    VDK_LANE_OP mask either(mask a, mask b) { return _mm256_or_pd(a, b); }
    VDK_LANE_OP value set(double x) { return _mm256_set1_pd(x); }
    VDK_LANE_OP value load(const double* p) { return _mm256_loadu_pd(p); }
    VDK_LANE_OP void store(double* p, value v) { _mm256_storeu_pd(p, v); }
    VDK_LANE_OP value add(value a, value b) { return _mm256_add_pd(a, b); }
    VDK_LANE_OP value sub(value a, value b) { return _mm256_sub_pd(a, b); }
    VDK_LANE_OP value mul(value a, value b) { return _mm256_mul_pd(a, b); }
    VDK_LANE_OP value div(value a, value b) { return _mm256_div_pd(a, b); }
    VDK_LANE_OP value sqrt(value a) { return _mm256_sqrt_pd(a); }
    VDK_LANE_OP value floor(value a) {
        return _mm256_round_pd(a, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
    }
    VDK_LANE_OP value floor_within(value a) { return floor(a); }
    VDK_LANE_OP value abs(value a) { return _mm256_andnot_pd(_mm256_set1_pd(-0.0), a); }
    VDK_LANE_OP value negate(value a) { return _mm256_xor_pd(_mm256_set1_pd(-0.0), a); }
    VDK_LANE_OP value min(value a, value b) { return _mm256_min_pd(a, b); }
    VDK_LANE_OP value max(value a, value b) { return _mm256_max_pd(a, b); }
    VDK_LANE_OP mask not_below(value a, value b) { return _mm256_cmp_pd(a, b, _CMP_NLT_UQ); }
    VDK_LANE_OP bool any(mask m) { return _mm256_movemask_pd(m) != 0; }
    VDK_LANE_OP value select(mask m, value if_set, value otherwise) {
        return _mm256_blendv_pd(otherwise, if_set, m);
    }
    VDK_LANE_OP mask below(value a, value b) { return _mm256_cmp_pd(a, b, _CMP_LT_OQ); }
    VDK_LANE_OP value round_to_float(value a) { return _mm256_cvtps_pd(_mm256_cvtpd_ps(a)); }
    VDK_LANE_OP value bits_and(value a, value b) { return _mm256_and_pd(a, b); }
    VDK_LANE_OP value bits_or(value a, value b) { return _mm256_or_pd(a, b); }
    VDK_LANE_OP value bits_add(value a, value b) {
        return _mm256_castsi256_pd(_mm256_add_epi64(_mm256_castpd_si256(a), _mm256_castpd_si256(b)));
    }
    template <int n>
    VDK_LANE_OP value shift_left(value a) {
        return _mm256_castsi256_pd(_mm256_slli_epi64(_mm256_castpd_si256(a), n));
    }
    template <int n>
    VDK_LANE_OP value shift_right(value a) {
        return _mm256_castsi256_pd(_mm256_srli_epi64(_mm256_castpd_si256(a), n));
    }
    VDK_LANE_OP value gather(const double* table, value index) {
        return _mm256_i64gather_pd(table, _mm256_castpd_si256(index), 8);
    }
};
VDK_TARGET_REGION_END

VDK_TARGET_REGION_BEGIN("avx512f")
struct avx512_lanes {
    static constexpr int width = 8;
    using value = __m512d;
    using mask = __mmask8;
    static constexpr bool has_fused_multiply_add = true;
    // vrcp14pd: relative error below 2^-14.
    static constexpr int reciprocal_estimate_bits = 14;
    VDK_LANE_OP value multiply_add(value a, value b, value c) { return _mm512_fmadd_pd(a, b, c); }
    VDK_LANE_OP value negative_multiply_add(value a, value b, value c) { return _mm512_fnmadd_pd(a, b, c); }
    VDK_LANE_OP value reciprocal_estimate(value a) { return _mm512_rcp14_pd(a); }
    VDK_LANE_OP mask either(mask a, mask b) { return static_cast<mask>(a | b); }
    VDK_LANE_OP value set(double x) { return _mm512_set1_pd(x); }
    VDK_LANE_OP value load(const double* p) { return _mm512_loadu_pd(p); }
    VDK_LANE_OP void store(double* p, value v) { _mm512_storeu_pd(p, v); }
    VDK_LANE_OP value add(value a, value b) { return _mm512_add_pd(a, b); }
    VDK_LANE_OP value sub(value a, value b) { return _mm512_sub_pd(a, b); }
    VDK_LANE_OP value mul(value a, value b) { return _mm512_mul_pd(a, b); }
    VDK_LANE_OP value div(value a, value b) { return _mm512_div_pd(a, b); }
    VDK_LANE_OP value sqrt(value a) { return _mm512_sqrt_pd(a); }
    VDK_LANE_OP value floor(value a) {
        return _mm512_roundscale_pd(a, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
    }
    VDK_LANE_OP value floor_within(value a) { return floor(a); }
    VDK_LANE_OP value abs(value a) {
        return _mm512_castsi512_pd(_mm512_andnot_epi64(_mm512_castpd_si512(_mm512_set1_pd(-0.0)),
                                                       _mm512_castpd_si512(a)));
    }
    VDK_LANE_OP value negate(value a) {
        return _mm512_castsi512_pd(_mm512_xor_epi64(_mm512_castpd_si512(_mm512_set1_pd(-0.0)),
                                                    _mm512_castpd_si512(a)));
    }
    VDK_LANE_OP value min(value a, value b) { return _mm512_min_pd(a, b); }
    VDK_LANE_OP value max(value a, value b) { return _mm512_max_pd(a, b); }
    VDK_LANE_OP mask not_below(value a, value b) { return _mm512_cmp_pd_mask(a, b, _CMP_NLT_UQ); }
    VDK_LANE_OP bool any(mask m) { return m != 0; }
    VDK_LANE_OP value select(mask m, value if_set, value otherwise) {
        return _mm512_mask_blend_pd(m, otherwise, if_set);
    }
    VDK_LANE_OP mask below(value a, value b) { return _mm512_cmp_pd_mask(a, b, _CMP_LT_OQ); }
    VDK_LANE_OP value round_to_float(value a) { return _mm512_cvtps_pd(_mm512_cvtpd_ps(a)); }
    VDK_LANE_OP value bits_and(value a, value b) {
        return _mm512_castsi512_pd(_mm512_and_epi64(_mm512_castpd_si512(a), _mm512_castpd_si512(b)));
    }
    VDK_LANE_OP value bits_or(value a, value b) {
        return _mm512_castsi512_pd(_mm512_or_epi64(_mm512_castpd_si512(a), _mm512_castpd_si512(b)));
    }
    VDK_LANE_OP value bits_add(value a, value b) {
        return _mm512_castsi512_pd(_mm512_add_epi64(_mm512_castpd_si512(a), _mm512_castpd_si512(b)));
    }
    template <int n>
    VDK_LANE_OP value shift_left(value a) {
        return _mm512_castsi512_pd(_mm512_slli_epi64(_mm512_castpd_si512(a), n));
    }
    template <int n>
    VDK_LANE_OP value shift_right(value a) {
        return _mm512_castsi512_pd(_mm512_srli_epi64(_mm512_castpd_si512(a), n));
    }
    VDK_LANE_OP value gather(const double* table, value index) {
        return _mm512_i64gather_pd(_mm512_castpd_si512(index), table, 8);
    }
};
VDK_TARGET_REGION_END
#endif

#if defined(VDK_WASM_LANES)
#include <wasm_simd128.h>

// WebAssembly SIMD128: two doubles. pmin(b, a) is a < b ? a : b and
// pmax(b, a) is a > b ? a : b, the x86 operand rule above; floor is the
// exact f64x2.floor.
struct simd128_lanes {
    static constexpr int width = 2;
    using value = v128_t;
    using mask = v128_t;
    VDK_LANE_OP value set(double x) { return wasm_f64x2_splat(x); }
    VDK_LANE_OP value load(const double* p) { return wasm_v128_load(p); }
    VDK_LANE_OP void store(double* p, value v) { wasm_v128_store(p, v); }
    VDK_LANE_OP value add(value a, value b) { return wasm_f64x2_add(a, b); }
    VDK_LANE_OP value sub(value a, value b) { return wasm_f64x2_sub(a, b); }
    VDK_LANE_OP value mul(value a, value b) { return wasm_f64x2_mul(a, b); }
    VDK_LANE_OP value div(value a, value b) { return wasm_f64x2_div(a, b); }
    VDK_LANE_OP value sqrt(value a) { return wasm_f64x2_sqrt(a); }
    VDK_LANE_OP value floor(value a) { return wasm_f64x2_floor(a); }
    VDK_LANE_OP value floor_within(value a) { return wasm_f64x2_floor(a); }
    VDK_LANE_OP value abs(value a) { return wasm_f64x2_abs(a); }
    VDK_LANE_OP value negate(value a) { return wasm_f64x2_neg(a); }
    VDK_LANE_OP value min(value a, value b) { return wasm_f64x2_pmin(b, a); }
    VDK_LANE_OP value max(value a, value b) { return wasm_f64x2_pmax(b, a); }
    VDK_LANE_OP mask not_below(value a, value b) { return wasm_v128_not(wasm_f64x2_lt(a, b)); }
    VDK_LANE_OP bool any(mask m) { return wasm_v128_any_true(m); }
    VDK_LANE_OP value select(mask m, value if_set, value otherwise) {
        return wasm_v128_bitselect(if_set, otherwise, m);
    }
    VDK_LANE_OP mask below(value a, value b) { return wasm_f64x2_lt(a, b); }
    // The empty statements around the conversions keep them two
    // instructions: without them clang 14 folds the pair into a scalar
    // conversion per lane (extract, demote, promote, replace), which took a
    // quarter of the lava's time, and a comparison of the result into a
    // single-precision one with the mask widened after it.
    VDK_LANE_OP value round_to_float(value a) {
        value narrowed = wasm_f32x4_demote_f64x2_zero(a);
        __asm__("" : "+r"(narrowed));
        value widened = wasm_f64x2_promote_low_f32x4(narrowed);
        __asm__("" : "+r"(widened));
        return widened;
    }
    VDK_LANE_OP value bits_and(value a, value b) { return wasm_v128_and(a, b); }
    VDK_LANE_OP value bits_or(value a, value b) { return wasm_v128_or(a, b); }
    VDK_LANE_OP value bits_add(value a, value b) { return wasm_i64x2_add(a, b); }
    template <int n>
    VDK_LANE_OP value shift_left(value a) { return wasm_i64x2_shl(a, n); }
    template <int n>
    VDK_LANE_OP value shift_right(value a) { return wasm_u64x2_shr(a, n); }
    VDK_LANE_OP value gather(const double* table, value index) {
        return wasm_f64x2_make(table[wasm_i64x2_extract_lane(index, 0)], table[wasm_i64x2_extract_lane(index, 1)]);
    }
};
#endif

// Sets whose lanes have a file of their own.
#include "effects/simd_lanes_neon.h"
