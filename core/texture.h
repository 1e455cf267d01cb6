#pragma once
// Textures and the system's pixel format.
//
// A pixel is one 32-bit value 0xAARRGGBB: alpha in bits 24-31, red 16-23,
// green 8-15, blue 0-7 (in memory: blue, green, red, alpha). Alpha is straight
// (colours are not pre-multiplied) and 0xFF is opaque; the display ignores it.
// A pixel array is width x height pixels, top row first, no padding: pixel
// (x, y) is element y * width + x, x growing to the right and y downwards.

#include <cstdint>
#include <string>

namespace vdk::core {

class base_app;

// Abstract image interface. Slots 0-3 are implemented here on top of the
// others. No virtual destructor: objects are destroyed through their concrete
// type.
class texture {
public:
    // Loads a PNG file into this texture: 0, -1, or the non-zero result of create.
    virtual int load_png(std::string path);
    // draw_into the target's pixels at (0, 0) over the target's full size.
    virtual int draw_onto(texture& target, int opacity);
    // Copies or blends a raw w x h pixel block into this texture at (0, 0).
    virtual int blend_from(const uint32_t* source, int width, int height, int opacity);
    // Draws this texture into a raw pixel array at (x, y), clipped, alpha-weighted.
    virtual int draw_into(uint32_t* target, int x, int y, int target_width, int target_height,
                          int opacity);

    virtual int create(int width, int height) = 0;
    virtual int release() = 0;
    virtual uint32_t* lock() = 0;
    virtual int unlock() = 0;
    virtual int status() = 0;
    virtual uint32_t* pixels() = 0;
    virtual int width() = 0;
    virtual int height() = 0;
    virtual int draw_to_screen(int opacity) = 0;
    virtual int draw_to_screen_at(int x, int y, int unused_w, int unused_h, int opacity) = 0;

protected:
    texture() = default;
    ~texture() = default;
};

// The state record of a texture_gdi.
struct texture_data {
    base_app* owner = nullptr;  // whose back buffer draw_to_screen draws into
    int width = 0;              // as given to the last create
    int height = 0;
    bool has_pixels = false;
    uint32_t* pixels = nullptr;  // new[]-allocated, or null
};

// The one texture implementation: a plain pixel array laid out as a 32-bit
// top-down device-independent bitmap.
class texture_gdi : public texture {
public:
    explicit texture_gdi(base_app* owner = nullptr);
    ~texture_gdi();
    texture_gdi(const texture_gdi&) = delete;
    texture_gdi& operator=(const texture_gdi&) = delete;

    int create(int width, int height) override;
    int release() override;
    uint32_t* lock() override;
    int unlock() override;
    int status() override;
    uint32_t* pixels() override;
    int width() override;
    int height() override;
    int draw_to_screen(int opacity) override;
    int draw_to_screen_at(int x, int y, int unused_w, int unused_h, int opacity) override;

    // Wrap-around sampler: positive coordinates wrap, negative ones mirror
    // about 0 (u = -0.25 on a 320-wide texture is column 80). A coordinate that
    // is NaN, infinite or outside the 32-bit range gives texel 0 of that axis
    // rather than undefined behaviour. Requires pixels with width, height > 0.
    uint32_t sample(double u, double v) const {
        const int w = data_->width;
        const int h = data_->height;
        const int col = wrap_index(u, w);
        const int row = wrap_index(v, h);
        const int index = row * w + col;
        if (index < 0 || index >= w * h) return 0;
        return data_->pixels[index];
    }

    void set_owner(base_app* owner);

private:
    // truncate(size * coordinate) % size, then its absolute value; 0 when the
    // product cannot be represented as a 32-bit int.
    static int wrap_index(double coordinate, int size) {
        const double scaled = static_cast<double>(size) * coordinate;
        if (!(scaled > -2147483648.0 && scaled < 2147483648.0)) return 0;
        const int index = static_cast<int>(scaled) % size;
        return index < 0 ? -index : index;
    }

    texture_data* data_;
};

}  // namespace vdk::core
