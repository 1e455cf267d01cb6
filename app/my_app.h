#pragma once
// The show: the application object that owns the logger, the music and one
// object of every effect, runs the timeline once per frame and sets the
// content up before the first frame.

#include <array>
#include <memory>

#include "app/resource_manager.h"
#include "app/timeline.h"
#include "core/app.h"
#include "core/audio.h"
#include "core/logger.h"
#include "effects/effect_blobs1.h"
#include "effects/effect_blobs2.h"
#include "effects/effect_chernobil.h"
#include "effects/effect_host.h"
#include "effects/effect_intro_drumelo.h"
#include "effects/effect_intro_fennick.h"
#include "effects/effect_intro_group.h"
#include "effects/effect_intro_pello.h"
#include "effects/effect_intro_quintaz.h"
#include "effects/effect_lava.h"
#include "effects/effect_opening_1.h"
#include "effects/effect_opening_2.h"
#include "effects/effect_opening_3.h"
#include "effects/effect_outtro_picture.h"
#include "effects/effect_scroller.h"
#include "effects/effect_starfield.h"
#include "effects/effect_still_01.h"
#include "effects/effect_still_02.h"
#include "effects/effect_tunnel.h"
#include "effects/effect_tunnel2.h"
#include "effects/effect_tunnel3.h"

extern const char* const show_title;   // "Quorvane - Veldrakin Demo"
extern const char* const music_path;   // "./music/KR_VAULT-X2.mp3"

class my_app : public vdk::core::app_gdi, public effect_host {
public:
    // The desktop window and the sound card (silent when there is none),
    // unless a window system or an audio output is given.
    explicit my_app(std::unique_ptr<vdk::core::window_system> window = nullptr,
                    std::unique_ptr<vdk::core::audio_output> audio = nullptr);
    // Destroys the window first, so that it never reaches a half-destroyed
    // application.
    ~my_app() override;

    int on_init() override;
    int on_input(const vdk::core::input_event& event) override;
    int on_frame(float app_ms) override;
    int on_reserved() override { return 0; }

    // The effects' host: the framework's back buffer and close, and the
    // workers below.
    uint32_t* pixels() override { return app_gdi::pixels(); }
    band_workers& workers() override { return band_pool; }
    int close() override { return app_gdi::close(); }

    // The timeline's rows, in table order.
    const std::array<scene_window, scene_count>& scenes() const { return scenes_; }
    // The effect that draws at music position t, or null (negative or NaN t).
    base_effect* effect_at(double t) const;
    // The effects in member order, which is also the order of init().
    std::array<base_effect*, 20> effects_in_order();
    // The class name of one of this application's effects ("effect_lava").
    const char* effect_name(const base_effect* effect);

    // Members in order of construction.
    vdk::core::logger app_logger{vdk::core::file};
    resource_manager resources;
    vdk::core::audio_player player;
    vdk::core::audio_stream music;
    band_workers band_pool;  // draw the bands of every effect's frames
    effect_intro_group intro_group{this, &app_logger};
    effect_intro_drumelo intro_drumelo{this, &app_logger};
    effect_intro_fennick intro_fennick{this, &app_logger};
    effect_intro_quintaz intro_quintaz{this, &app_logger};
    effect_intro_pello intro_pello{this, &app_logger};
    effect_opening_1 opening_1{this, &app_logger};
    effect_opening_2 opening_2{this, &app_logger};
    effect_opening_3 opening_3{this, &app_logger};
    effect_starfield starfield{this, &app_logger};
    effect_tunnel tunnel{this, &app_logger};
    effect_tunnel2 tunnel2{this, &app_logger};
    effect_tunnel3 tunnel3{this, &app_logger};
    effect_scroller scroller{this, &app_logger};
    effect_lava lava{this, &app_logger};
    effect_still_01 still_01{this, &app_logger};
    effect_still_02 still_02{this, &app_logger};
    effect_chernobil chernobil{this, &app_logger};
    effect_blobs1 blobs1{this, &app_logger};
    effect_blobs2 blobs2{this, &app_logger};
    effect_outtro_picture outtro_picture{this, &app_logger};
    bool music_loaded = false;
    bool music_started = false;

private:
    std::array<scene_window, scene_count> scenes_;
};

// The entry sequence: create the window, run the show, close. 0, or
// vdk::core::exit_display_lost when the display went away during the show.
int run_show(my_app& app);
