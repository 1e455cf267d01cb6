#include "core/texture.h"

#include <new>

#include "core/app.h"

namespace vdk::core {

namespace {

// Blend of source over destination with weight e in 0..254: each channel is
// (s * e) >> 8 plus (d * (255 - e)) >> 8, truncated separately; alpha 0xFF.
inline uint32_t blend_pixel(uint32_t s, uint32_t d, int e) {
    const uint32_t we = static_cast<uint32_t>(e);
    const uint32_t wd = static_cast<uint32_t>(255 - e);
    const uint32_t r = (((s >> 16) & 0xFF) * we >> 8) + (((d >> 16) & 0xFF) * wd >> 8);
    const uint32_t g = (((s >> 8) & 0xFF) * we >> 8) + (((d >> 8) & 0xFF) * wd >> 8);
    const uint32_t b = ((s & 0xFF) * we >> 8) + ((d & 0xFF) * wd >> 8);
    return 0xFF000000u | r << 16 | g << 8 | b;
}

}  // namespace

int texture::draw_onto(texture& target, int opacity) {
    draw_into(target.lock(), 0, 0, target.width(), target.height(), opacity);
    target.unlock();
    return 0;
}

int texture::blend_from(const uint32_t* source, int w, int h, int opacity) {
    uint32_t* target = pixels();
    const int stride = width();
    for (int i = 0; i < w; ++i) {
        for (int j = 0; j < h; ++j) {
            const uint32_t s = source[j * w + i];
            uint32_t& d = target[j * stride + i];
            d = opacity <= 254 ? blend_pixel(s, d, opacity) : s;
        }
    }
    return 0;
}

int texture::draw_into(uint32_t* target, int x, int y, int target_width, int target_height,
                       int opacity) {
    const uint32_t* source = pixels();
    const int w = width();
    const int h = height();
    for (int j = 0; j < w; ++j) {
        const int tx = x + j;
        if (tx < 0 || tx >= target_width) continue;
        for (int k = 0; k < h; ++k) {
            const int ty = y + k;
            if (ty < 0 || ty >= target_height) continue;
            const uint32_t s = source[k * w + j];
            uint32_t& d = target[ty * target_width + tx];
            const uint32_t alpha = s >> 24;
            const int e = alpha == 0xFF ? opacity : opacity * static_cast<int>(alpha) / 255;
            d = e > 254 ? s : blend_pixel(s, d, e);
        }
    }
    return 0;
}

texture_gdi::texture_gdi(base_app* owner) : data_(new texture_data{}) { data_->owner = owner; }

texture_gdi::~texture_gdi() {
    release();
    delete data_;
}

int texture_gdi::create(int w, int h) {
    data_->width = w;
    data_->height = h;
    const int count = static_cast<int>(static_cast<unsigned>(w) * static_cast<unsigned>(h));
    if (count < 0) throw std::bad_array_new_length();
    uint32_t* pixels = new uint32_t[static_cast<size_t>(count)];
    release();  // an array already held would otherwise be lost
    data_->pixels = pixels;
    data_->has_pixels = true;
    return 0;
}

int texture_gdi::release() {
    if (data_->has_pixels) {
        delete[] data_->pixels;
        data_->pixels = nullptr;
        data_->has_pixels = false;
    }
    return 0;
}

uint32_t* texture_gdi::lock() { return data_->has_pixels ? data_->pixels : nullptr; }

int texture_gdi::unlock() { return 0; }

int texture_gdi::status() { return data_->has_pixels ? 0 : -1; }

uint32_t* texture_gdi::pixels() { return lock(); }

int texture_gdi::width() { return data_->has_pixels ? data_->width : -1; }

int texture_gdi::height() { return data_->has_pixels ? data_->height : -1; }

int texture_gdi::draw_to_screen(int opacity) {
    return draw_to_screen_at(0, 0, 0, 0, opacity);
}

int texture_gdi::draw_to_screen_at(int x, int y, int, int, int opacity) {
    if (!data_->has_pixels) return -1;
    base_app* owner = data_->owner;
    return draw_into(owner->pixels(), x, y, owner->buffer_width(), owner->buffer_height(), opacity);
}

void texture_gdi::set_owner(base_app* owner) { data_->owner = owner; }

}  // namespace vdk::core
