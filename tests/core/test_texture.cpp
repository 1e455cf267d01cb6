#include <gtest/gtest.h>

#include "core/texture.h"

TEST(texture_smoke, create) {
    vdk::core::texture_gdi t;
    EXPECT_EQ(t.create(4, 4), 0);
}
