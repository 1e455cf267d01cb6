#pragma once
// Pieces shared by the two glass scenes (spheres and rings): the camera that
// circles the origin, and texel colours as fractions.
//
// View: column x and band row j give the ray through a = (x - 160)/120 along
// the camera's right vector and b = (j - 60)/120 along its up vector, both in
// single precision. right = forward x (0, 1, 0) and up = right x forward, so
// world +y is towards the bottom of the screen and the picture appears turned
// by half a circle.

#include <cmath>
#include <cstdint>

#include "core/texture.h"
#include "effects/raymarch.h"

// The camera at (distance sin 0.3t, 0, -distance cos 0.3t), looking at the
// origin.
struct orbit_camera {
    raymarch::vec3 eye;
    raymarch::vec3 forward;
    raymarch::vec3 right;
    raymarch::vec3 up;

    orbit_camera(double t, double distance) {
        eye = {distance * std::sin(0.3 * t), 0, -distance * std::cos(0.3 * t)};
        forward = normalize(-eye);
        right = normalize(cross(forward, raymarch::vec3{0, 1, 0}));
        up = normalize(cross(right, forward));
    }
    static float column_offset(int x) { return (static_cast<float>(x) - 160) / 120; }
    static float row_offset(int j) { return (static_cast<float>(j) - 60) / 120; }
    raymarch::vec3 ray(float a, float b) const { return normalize(a * right + b * up + forward); }
};

// A texel's red, green and blue bytes over 255, sampled with wrap-around.
inline raymarch::vec3 texel_color(const vdk::core::texture_gdi& texture, double u, double v) {
    const uint32_t texel = texture.sample(u, v);
    return {((texel >> 16) & 0xFFu) / 255.0, ((texel >> 8) & 0xFFu) / 255.0,
            (texel & 0xFFu) / 255.0};
}
