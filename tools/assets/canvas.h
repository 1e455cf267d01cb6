#pragma once
// Drawing with cairo and pango onto a picture. Text uses only the font files
// named in canvas.cpp, loaded through a private fontconfig set-up, with hinting
// off, so the same text gives the same pixels whatever else is installed.

#include <cairo.h>

#include <string>

#include "tools/assets/image.h"

namespace assets {

// Loads the fixed font files. False, with the reason, when one is missing or
// does not provide the family it should; nothing can be drawn then.
bool init_fonts(std::string& error);

enum class font { display, sans, sans_light, sans_bold, sans_black, mono };

struct text_style {
    font face = font::sans;
    double size = 20;            // pixels, the font's em size
    double spacing = 0;          // extra space between letters, pixels
    rgba colour{1, 1, 1, 1};
    double outline = 0;          // width of a stroke around the glyphs, pixels
    rgba outline_colour{0, 0, 0, 1};
};

struct text_box {
    double width = 0, height = 0;  // ink extents, pixels
};

class canvas {
public:
    canvas(int width, int height);   // fully transparent
    explicit canvas(const image& background);
    ~canvas();
    canvas(const canvas&) = delete;
    canvas& operator=(const canvas&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    cairo_t* cr() { return cr_; }
    cairo_surface_t* surface() { return surface_; }

    // Ink size of a line of text.
    text_box measure(const std::string& text, const text_style& style);
    // Draws one line of text with its ink box centred on (cx, cy).
    void text_centred(const std::string& text, const text_style& style, double cx, double cy);
    // Adds the glyph outlines of a centred line to the current path (for
    // gradient fills and strokes by the caller).
    void text_path_centred(const std::string& text, const text_style& style, double cx, double cy);

    // Blurs the whole canvas (three box passes, radius in pixels). With wrap
    // the picture is treated as repeating (for tileable textures), otherwise
    // its edge pixels are extended.
    void blur(int radius, bool wrap = false);
    // Draws another canvas over this one with the given opacity.
    void composite(canvas& top, double opacity = 1.0, cairo_operator_t op = CAIRO_OPERATOR_OVER);

    // The picture with straight alpha.
    image to_image();

private:
    int width_;
    int height_;
    cairo_surface_t* surface_;
    cairo_t* cr_;
};

// A soft glow around text: the text blurred in glow_colour, then the text
// itself, both onto target.
void glowing_text(canvas& target, const std::string& text, const text_style& style, double cx,
                  double cy, const rgba& glow_colour, int glow_radius, double glow_strength);

// Fills the path already on cr with chrome: a vertical gradient from top to
// bottom through colours 0xRRGGBB a, b (just above the middle), c (just below)
// and back to a; the path stays.
void chrome_fill(cairo_t* cr, double top, double bottom, unsigned a, unsigned b, unsigned c);

inline void set_colour(cairo_t* cr, const rgba& c) { cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a); }

}  // namespace assets
