#pragma once
// Lane operations of the wide instruction sets, for kernels that run one
// pixel (or ray) per lane. Each operation is one IEEE operation per lane, so a
// lane computes exactly what the scalar code computes when the kernel keeps
// the scalar code's operations and their order. Only for GCC on x86-64; each
// kernel that uses a set is compiled in a target region of that set (see
// instruction_set.h for the run-time choice).

#if defined(__GNUC__) && defined(__x86_64__)
// GCC 12's AVX-512 intrinsics fill their unused pass-through operands with a
// deliberately uninitialised value, which -Wuninitialized reports wherever
// they are inlined; the warning is about the header, not about the kernels.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>
#pragma GCC diagnostic pop

// The lane operations of each instruction set. min and max take their
// operands as the instructions do: min(a, b) is a < b ? a : b and max(a, b) is
// a > b ? a : b, so std::min(x, y) is min(y, x) and std::max(x, y) is max(y, x).

// Forced inline: the kernels are compiled for the set of their lanes.
#define LANE_OP [[gnu::always_inline]] static inline

#pragma GCC push_options
#pragma GCC target("avx2")
struct avx2_lanes {
    static constexpr int width = 4;
    using value = __m256d;
    using mask = __m256d;
    LANE_OP value set(double x) { return _mm256_set1_pd(x); }
    LANE_OP value load(const double* p) { return _mm256_loadu_pd(p); }
    LANE_OP void store(double* p, value v) { _mm256_storeu_pd(p, v); }
    LANE_OP value add(value a, value b) { return _mm256_add_pd(a, b); }
    LANE_OP value sub(value a, value b) { return _mm256_sub_pd(a, b); }
    LANE_OP value mul(value a, value b) { return _mm256_mul_pd(a, b); }
    LANE_OP value div(value a, value b) { return _mm256_div_pd(a, b); }
    LANE_OP value sqrt(value a) { return _mm256_sqrt_pd(a); }
    LANE_OP value floor(value a) {
        return _mm256_round_pd(a, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
    }
    LANE_OP value abs(value a) { return _mm256_andnot_pd(_mm256_set1_pd(-0.0), a); }
    LANE_OP value negate(value a) { return _mm256_xor_pd(_mm256_set1_pd(-0.0), a); }
    LANE_OP value min(value a, value b) { return _mm256_min_pd(a, b); }
    LANE_OP value max(value a, value b) { return _mm256_max_pd(a, b); }
    // !(a < b): true where a is not below b, NaN included.
    LANE_OP mask not_below(value a, value b) { return _mm256_cmp_pd(a, b, _CMP_NLT_UQ); }
    LANE_OP bool any(mask m) { return _mm256_movemask_pd(m) != 0; }
    LANE_OP value select(mask m, value if_set, value otherwise) {
        return _mm256_blendv_pd(otherwise, if_set, m);
    }
};
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx512f")
struct avx512_lanes {
    static constexpr int width = 8;
    using value = __m512d;
    using mask = __mmask8;
    LANE_OP value set(double x) { return _mm512_set1_pd(x); }
    LANE_OP value load(const double* p) { return _mm512_loadu_pd(p); }
    LANE_OP void store(double* p, value v) { _mm512_storeu_pd(p, v); }
    LANE_OP value add(value a, value b) { return _mm512_add_pd(a, b); }
    LANE_OP value sub(value a, value b) { return _mm512_sub_pd(a, b); }
    LANE_OP value mul(value a, value b) { return _mm512_mul_pd(a, b); }
    LANE_OP value div(value a, value b) { return _mm512_div_pd(a, b); }
    LANE_OP value sqrt(value a) { return _mm512_sqrt_pd(a); }
    LANE_OP value floor(value a) {
        return _mm512_roundscale_pd(a, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
    }
    LANE_OP value abs(value a) {
        return _mm512_castsi512_pd(_mm512_andnot_epi64(_mm512_castpd_si512(_mm512_set1_pd(-0.0)),
                                                       _mm512_castpd_si512(a)));
    }
    LANE_OP value negate(value a) {
        return _mm512_castsi512_pd(_mm512_xor_epi64(_mm512_castpd_si512(_mm512_set1_pd(-0.0)),
                                                    _mm512_castpd_si512(a)));
    }
    LANE_OP value min(value a, value b) { return _mm512_min_pd(a, b); }
    LANE_OP value max(value a, value b) { return _mm512_max_pd(a, b); }
    LANE_OP mask not_below(value a, value b) { return _mm512_cmp_pd_mask(a, b, _CMP_NLT_UQ); }
    LANE_OP bool any(mask m) { return m != 0; }
    LANE_OP value select(mask m, value if_set, value otherwise) {
        return _mm512_mask_blend_pd(m, otherwise, if_set);
    }
};
#pragma GCC pop_options

#undef LANE_OP
#endif
