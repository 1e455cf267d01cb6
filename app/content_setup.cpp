// Content set-up before the first frame: the music, the cursor, and every
// effect's pictures, in member order, stopping at the first effect that fails.

#include "app/my_app.h"

int my_app::on_init() {
    player.init(this);
    music_loaded = player.load(music, music_path);
    show_cursor(false);
    for (base_effect* effect : effects_in_order()) {
        if (!effect->init()) return -1;
    }
    return 0;
}
