#include "effects/rounded_math.h"

#include <cstdint>
#include <cstring>

namespace {

rounded_math_tables make_tables() {
    rounded_math_tables tables{};
    for (int i = 0; i < rounded_math_tables::size; ++i) {
        const double middle = 1 + (i + 0.5) / rounded_math_tables::size;
        const double inverse = std::nearbyint(1048576.0 / middle) / 1048576.0;
        tables.log_inverse[i] = inverse;
        tables.log_of_inverse[i] = -std::log(inverse);
        const double power = std::exp2(static_cast<double>(i) / rounded_math_tables::size);
        uint64_t bits;
        std::memcpy(&bits, &power, sizeof bits);
        bits -= static_cast<uint64_t>(i) << 43;
        std::memcpy(&tables.exp_pattern[i], &bits, sizeof bits);
    }
    return tables;
}

}  // namespace

const rounded_math_tables& rounded_math_lane_tables() {
    static const rounded_math_tables tables = make_tables();
    return tables;
}
