#include "app/my_app.h"

#include <utility>

const char* const show_title = "Quorvane - Veldrakin Demo";
const char* const music_path = "./music/KR_VAULT-X2.mp3";

my_app::my_app(std::unique_ptr<vdk::core::window_system> window,
               std::unique_ptr<vdk::core::audio_output> audio)
    : app_gdi(std::move(window)),
      player(std::move(audio)),
      scenes_{{
          {0, 25, false, &intro_group},
          {25, 29, false, &intro_fennick},
          {29, 33, false, &intro_drumelo},
          {33, 37, false, &intro_quintaz},
          {37, 40.5, false, &intro_pello},
          {40.5, 55, false, &opening_1},
          {55, 70, false, &opening_2},
          {70, 85, false, &opening_3},
          {85, 88, false, &still_01},
          {88, 91, false, &still_01},
          {91, 107, false, &tunnel},
          {107, 121, false, &scroller},
          {121, 150, false, &lava},
          {150, 162, false, &chernobil},
          {162, 177, false, &starfield},
          {177, 184, false, &tunnel2},
          {184, 192, false, &tunnel3},
          {192, 199, false, &blobs1},
          {199, 206, false, &blobs2},
          {206, 213, false, &opening_1},
          {213, 220, false, &opening_2},
          {220, 236, false, &opening_2},
          {236, 251, false, &still_02},
          {251, 265.5, false, &starfield},
          {265.5, 0, true, &outtro_picture},
      }} {
    attach_logger(&app_logger);
}

my_app::~my_app() { destroy_window(); }

std::array<base_effect*, 20> my_app::effects_in_order() {
    return {&intro_group, &intro_drumelo, &intro_fennick, &intro_quintaz, &intro_pello,
            &opening_1,   &opening_2,     &opening_3,     &starfield,     &tunnel,
            &tunnel2,     &tunnel3,       &scroller,      &lava,          &still_01,
            &still_02,    &chernobil,     &blobs1,        &blobs2,        &outtro_picture};
}

const char* my_app::effect_name(const base_effect* effect) {
    static const char* const names[20] = {
        "effect_intro_group", "effect_intro_drumelo", "effect_intro_fennick",
        "effect_intro_quintaz", "effect_intro_pello", "effect_opening_1",
        "effect_opening_2", "effect_opening_3", "effect_starfield",
        "effect_tunnel", "effect_tunnel2", "effect_tunnel3",
        "effect_scroller", "effect_lava", "effect_still_01",
        "effect_still_02", "effect_chernobil", "effect_blobs1",
        "effect_blobs2", "effect_outtro_picture"};
    const auto effects = effects_in_order();
    for (size_t i = 0; i < effects.size(); ++i) {
        if (effects[i] == effect) return names[i];
    }
    return "";
}

base_effect* my_app::effect_at(double t) const {
    for (const scene_window& scene : scenes_) {
        if (scene.contains(t)) return scene.effect;
    }
    return nullptr;
}

int my_app::on_input(const vdk::core::input_event& event) {
    if (event.kind == vdk::core::key_pressed && event.key == vdk::core::escape_key) close();
    if (event.kind == vdk::core::mouse_pressed && event.button == vdk::core::left_button) close();
    return 0;
}

int run_show(my_app& app) {
    const std::string title = show_title;
    app.app_logger.write("Initializing the application.", vdk::core::info);
    if (app.create(title, screen_width, screen_height) != 0) return 0;
    app.app_logger.write("Main Renderer Window created.", vdk::core::info);
    app.run();
    app.app_logger.write("Closing the app", vdk::core::info);
    const int closed = app.close();
    return app.display_lost() ? vdk::core::exit_display_lost : closed;
}
