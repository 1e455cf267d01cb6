// One step of the show's timeline per frame: start the music once, read its
// position, let the effect whose window holds it draw, and close at the end.

#include "app/my_app.h"

int my_app::on_frame(float app_ms) {
    if (!music_started && music_loaded) {
        player.play(music);
        music_started = true;  // also when playback was refused: never retried
    }
    if (pixels() == nullptr) return -1;

    const double t = player.position(music);
    // Every row is tested on its own; the windows do not overlap.
    for (const scene_window& scene : scenes_) {
        if (scene.contains(t)) scene.effect->run(app_ms, t);
    }
    if (t >= show_end_seconds) close();
    return 0;
}
