// The contact sheet and the waveform picture.

#include "tools/assets/docs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tools/assets/canvas.h"
#include "tools/assets/paint.h"
#include "tools/assets/score.h"

namespace assets::docs {

namespace {

void checkerboard(cairo_t* cr, double x, double y, double w, double h) {
    const int size = 8;
    for (int j = 0; j * size < h; ++j) {
        for (int i = 0; i * size < w; ++i) {
            const double v = ((i + j) % 2) ? 0.32 : 0.22;
            cairo_set_source_rgb(cr, v, v, v);
            cairo_rectangle(cr, x + i * size, y + j * size, std::min<double>(size, w - i * size),
                            std::min<double>(size, h - j * size));
            cairo_fill(cr);
        }
    }
}

}  // namespace

image contact_sheet(const std::vector<labelled_picture>& pictures) {
    const int columns = 5, thumb_w = 160, thumb_h = 120, cell_w = 172, cell_h = 146, top = 34;
    const int rows = static_cast<int>((pictures.size() + columns - 1) / columns);
    canvas sheet(columns * cell_w + 12, top + rows * cell_h + 6);
    cairo_t* cr = sheet.cr();
    cairo_set_source_rgb(cr, 0.07, 0.07, 0.09);
    cairo_paint(cr);
    text_style heading;
    heading.face = font::sans_bold;
    heading.size = 15;
    heading.colour = hex(0xf0f0f0);
    char title[96];
    std::snprintf(title, sizeof title, "The %zu pictures of the show (transparency shown as a checkerboard)",
                  pictures.size());
    sheet.text_centred(title, heading, sheet.width() / 2.0, 17);
    text_style label;
    label.face = font::mono;
    label.size = 9;
    label.colour = hex(0xc8c8d0);
    for (size_t k = 0; k < pictures.size(); ++k) {
        const image& pic = *pictures[k].picture;
        const int col = static_cast<int>(k % columns), row = static_cast<int>(k / columns);
        const double x0 = 12 + col * cell_w, y0 = top + row * cell_h;
        // Keep the aspect: square textures become 120 × 120.
        const double s = std::min(static_cast<double>(thumb_w) / pic.width,
                                  static_cast<double>(thumb_h) / pic.height);
        const double w = pic.width * s, h = pic.height * s;
        const double x = x0 + (thumb_w - w) / 2, y = y0;
        // A picture of faint alpha would vanish on the checkerboard: show its
        // colour channels instead, and say so.
        int max_alpha = 0;
        for (size_t i = 3; i < pic.bytes.size(); i += 4) max_alpha = std::max<int>(max_alpha, pic.bytes[i]);
        const bool faint = max_alpha < 64;
        image shown = pic;
        if (faint)
            for (size_t i = 3; i < shown.bytes.size(); i += 4) shown.bytes[i] = 255;
        checkerboard(cr, x, y, w, h);
        canvas source(shown);
        cairo_save(cr);
        cairo_translate(cr, x, y);
        cairo_scale(cr, s, s);
        cairo_set_source_surface(cr, source.surface(), 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
        cairo_paint(cr);
        cairo_restore(cr);
        const std::string& full = pictures[k].label;
        const size_t slash = full.rfind('/');
        const std::string folder = slash == std::string::npos ? "" : full.substr(0, slash + 1);
        const std::string file = slash == std::string::npos ? full : full.substr(slash + 1);
        char detail[96];
        std::snprintf(detail, sizeof detail, "%s  %d×%d%s", folder.c_str(), pic.width, pic.height,
                      faint ? "  (colour; alpha faint)" : "");
        text_style fit = label;
        while (fit.size > 6 && sheet.measure(file, fit).width > cell_w - 6) fit.size -= 0.5;
        sheet.text_centred(file, fit, x0 + thumb_w / 2.0, y0 + thumb_h + 8);
        text_style dim = label;
        dim.colour = hex(0x8a8a98);
        dim.size = 8;
        sheet.text_centred(detail, dim, x0 + thumb_w / 2.0, y0 + thumb_h + 19);
    }
    return sheet.to_image();
}

image waveform(const std::vector<int16_t>& samples) {
    const int width = 1600, height = 420, left = 40, right = 10, wave_top = 70, wave_h = 260;
    const double seconds = samples.size() / 2.0 / 44100.0;
    canvas out(width, height);
    cairo_t* cr = out.cr();
    cairo_set_source_rgb(cr, 0.06, 0.06, 0.08);
    cairo_paint(cr);
    const double plot_w = width - left - right;
    auto x_of = [&](double t) { return left + plot_w * t / music::track_seconds; };
    // Sections as alternating bands with their names.
    text_style name;
    name.face = font::sans;
    name.size = 9;
    name.colour = hex(0xd0d0e0);
    const auto& sections = music::sections();
    for (size_t k = 0; k < sections.size(); ++k) {
        const double x0 = x_of(sections[k].start), x1 = x_of(sections[k].end);
        cairo_rectangle(cr, x0, wave_top, x1 - x0, wave_h);
        cairo_set_source_rgba(cr, k % 2 ? 0.16 : 0.11, k % 2 ? 0.14 : 0.11, k % 2 ? 0.22 : 0.16, 1);
        cairo_fill(cr);
        cairo_move_to(cr, x0 + 0.5, 14);
        cairo_line_to(cr, x0 + 0.5, wave_top + wave_h);
        cairo_set_source_rgba(cr, 0.9, 0.8, 0.3, 0.8);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        // Labels alternate between two rows so that short sections stay legible.
        const double ly = k % 2 ? 26 : 46;
        const text_box box = out.measure(sections[k].scene, name);
        out.text_centred(sections[k].scene, name, std::max(x0 + box.width / 2 + 2, (x0 + x1) / 2), ly);
    }
    // The waveform: min and max of both channels per column.
    const size_t frames = samples.size() / 2;
    const double mid = wave_top + wave_h / 2.0;
    cairo_set_line_width(cr, 1);
    for (int px = 0; px < static_cast<int>(plot_w); ++px) {
        const double t0 = music::track_seconds * px / plot_w, t1 = music::track_seconds * (px + 1) / plot_w;
        const size_t f0 = std::min(frames, static_cast<size_t>(t0 * 44100)),
                     f1 = std::min(frames, static_cast<size_t>(t1 * 44100));
        int lo = 0, hi = 0;
        double sum = 0;
        for (size_t f = f0; f < f1; ++f) {
            for (int c = 0; c < 2; ++c) {
                const int v = samples[2 * f + static_cast<size_t>(c)];
                lo = std::min(lo, v);
                hi = std::max(hi, v);
                sum += static_cast<double>(v) * v;
            }
        }
        const double rms = f1 > f0 ? std::sqrt(sum / (2.0 * (f1 - f0))) : 0;
        const double x = left + px + 0.5;
        cairo_move_to(cr, x, mid - hi / 32768.0 * wave_h / 2);
        cairo_line_to(cr, x, mid - lo / 32768.0 * wave_h / 2);
        cairo_set_source_rgb(cr, 0.35, 0.7, 0.95);
        cairo_stroke(cr);
        cairo_move_to(cr, x, mid - rms / 32768.0 * wave_h / 2);
        cairo_line_to(cr, x, mid + rms / 32768.0 * wave_h / 2);
        cairo_set_source_rgb(cr, 0.75, 0.92, 1.0);
        cairo_stroke(cr);
    }
    // Accents (red) and sung lines (green) below the waveform.
    for (double a : music::accent_times()) {
        cairo_move_to(cr, x_of(a) + 0.5, wave_top + wave_h + 2);
        cairo_line_to(cr, x_of(a) + 0.5, wave_top + wave_h + 14);
        cairo_set_source_rgb(cr, 1.0, 0.3, 0.25);
        cairo_stroke(cr);
    }
    for (const auto& line : music::sung_lines()) {
        cairo_rectangle(cr, x_of(line.start), wave_top + wave_h + 16, std::max(1.0, x_of(line.end) - x_of(line.start)), 6);
        cairo_set_source_rgb(cr, 0.3, 0.95, 0.5);
        cairo_fill(cr);
    }
    // Time axis.
    text_style tick;
    tick.face = font::mono;
    tick.size = 9;
    tick.colour = hex(0xa0a0b0);
    for (int s = 0; s <= static_cast<int>(music::track_seconds); s += 10) {
        cairo_move_to(cr, x_of(s) + 0.5, wave_top + wave_h + 26);
        cairo_line_to(cr, x_of(s) + 0.5, wave_top + wave_h + 32);
        cairo_set_source_rgb(cr, 0.6, 0.6, 0.7);
        cairo_stroke(cr);
        char text[16];
        std::snprintf(text, sizeof text, "%d s", s);
        out.text_centred(text, tick, x_of(s), wave_top + wave_h + 40);
    }
    text_style legend = tick;
    legend.colour = hex(0xd0d0e0);
    char note[160];
    std::snprintf(note, sizeof note,
                  "%.1f s at 44100 Hz. Yellow lines: scene boundaries. Red ticks: accent hits. Green: sung lines.",
                  seconds);
    out.text_centred(note, legend, width / 2.0, height - 14);
    return out.to_image();
}

}  // namespace assets::docs
