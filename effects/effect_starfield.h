#pragma once
// Volumetric star field (162-177 s and 251-265.5 s): a flight through a
// glowing fractal cloud that repeats along the viewing axis. Each value sums
// density along a short ray through space folded ten times per step.
//
// One value per 2 x 2 pixel block (160 x 120 values, half-resolution bands:
// band row j is screen rows 2j and 2j+1); the four pixels of a block carry the
// brightness factors 1 (top left), 1.5 (top right), 1.2 (bottom left) and 0.8
// (bottom right), applied to colour and brightness alike. Fades to black over
// 264.5-265.5 s. Clock: offset 0, divisor 500 (two units per second), never
// reset, so the second window continues the clock of the first.

#include "effects/base_effect.h"
#include "effects/band_workers.h"
#include "effects/instruction_set.h"

// Draws the blocks of band rows first_row <= j < end_row into the 320 x 240
// pixels at clock t and music position music_s, with the chosen instruction
// set. Reads nothing but its arguments.
void starfield_render_band(int first_row, int end_row, double local_time, uint32_t pixels[],
                           double music_s);
// The same with the kernel of one instruction set (one the processor
// supports); every set gives the same pixels.
void starfield_render_band_with(instruction_set set, int first_row, int end_row, double local_time,
                                uint32_t pixels[], double music_s);
// The colour records of the 160 blocks of band row j, fade included: what
// starfield_render_band_with packs into that row's blocks.
void starfield_row_records(instruction_set set, int j, double local_time, double music_s,
                           color4 records[]);

// How a set takes the quotients of its folds: three divisions, or (where
// the set has the fused multiply-add) a correctly rounded sequence of fused
// multiply-adds with the reciprocal of the divisor from one division (for
// all three quotients, or mixed: for two, the third divided) or from the
// reciprocal estimate. Every way gives the same bits; which is fastest
// depends on the processor.
enum class starfield_quotients { divide, divided_reciprocal, mixed, estimated_reciprocal };
// Whether the set has the fused sequence (otherwise every way divides).
bool starfield_has_fused_quotients(instruction_set set);
// "divide", "divided-reciprocal", "mixed", "estimated-reciprocal".
const char* starfield_quotients_name(starfield_quotients quotients);
// The way the set draws with: the fastest, timed once per set the first
// time it is asked for (effect_starfield::init asks for the chosen set).
// VELDRAKIN_STARFIELD_QUOTIENTS naming a way in the environment fixes it
// instead.
starfield_quotients starfield_chosen_quotients(instruction_set set);
// starfield_row_records with the quotients taken one way.
void starfield_row_records_with(instruction_set set, starfield_quotients quotients, int j,
                                double local_time, double music_s, color4 records[]);

// The divisions of one frame drawn entirely by dividing (three a fold of
// every march step of every value): starfield_frame_divisions of them.
constexpr long starfield_frame_divisions = 160L * 120 * 80 * 10 * 3;
// The milliseconds that many independent divisions take with the lanes of
// one set (one the processor supports), split over the four bands of a
// frame on workers: the star field's division bound, the time of the
// dividing way without any of its other work. Ways with the fused sequence
// divide less and may come in under it.
double starfield_division_bound_ms(instruction_set set, band_workers& workers);

// Writes the block (i, j), screen pixels (2i, 2j) to (2i + 1, 2j + 1), of
// one colour record: each pixel is the record packed after scaling all four
// components by its block factor, so each channel scales by the factor's
// square.
void starfield_write_block(const color4& record, int i, int j, uint32_t pixels[]);

class effect_starfield : public base_effect {
public:
    using base_effect::base_effect;

    bool init() override;
    int run(float app_ms, double music_s) override;
    void advance(float app_ms, double music_s) override;

    double local_time = 0.0;
    float start_time = -1.0f;
};
