// The list of picture files, as the effects load them.

#include "tools/assets/catalogue.h"

#include <cstdio>

#include "tools/assets/pictures.h"

namespace assets {

const std::vector<picture_entry>& picture_catalogue() {
    using namespace pictures;
    static const std::vector<picture_entry> entries = [] {
        std::vector<picture_entry> e;
        const std::string root = "_glimmerock/";
        e.push_back({root + "title/title320_tlo.png", title_background});
        e.push_back({root + "title/title320.png", title_logo});
        const char* const member_files[4] = {"fennickone", "drumelo", "quintaz", "pello"};
        for (int m = 0; m < 4; ++m) {
            const std::string base = root + "credits/credit-" + member_files[m] + "320";
            e.push_back({base + "_tlo.png", [m] { return credit_background(m); }});
            e.push_back({base + "_txt.png", [m] { return credit_name(m); }});
            // Only two members' intros load a separate mask.
            if (m == 0 || m == 3) e.push_back({base + "_mask.png", [m] { return credit_mask(m); }});
        }
        const char* const greets[6] = {"orvilane", "thessmoor", "quillon",
                                       "dorrow",   "pallimer",  "krenn"};
        for (int g = 0; g < 6; ++g)
            e.push_back({root + "greets/greets-" + greets[g] + "320.png", [g] { return greeting(g); }});
        e.push_back({root + "textures/rust.png", rust});
        e.push_back({root + "textures/bloodskin.png", blood_skin});
        e.push_back({root + "textures/cryptic.png", cryptic});
        e.push_back({root + "textures/tex3.png", tex3});
        e.push_back({root + "textures/BWST_1.png", noise_clouds});
        e.push_back({root + "textures/BWST_9.png", noise_streaks});
        e.push_back({root + "textures/gatonoise.png", noise_gato});
        e.push_back({root + "2d/corridor.png", corridor});
        e.push_back({root + "2d/industrial.png", industrial});
        e.push_back({root + "2d/opening1.png", opening});
        e.push_back({root + "2d/still_01.png", still_landscape});
        e.push_back({root + "2d/broad4.png", broadcast_stripes});
        e.push_back({root + "overlays/v_g_overlay4_320.png", vault_frame});
        e.push_back({root + "overlays/v_g_overlay4_320_mask.png", vault_stencil});
        const int lyric_numbers[11] = {1, 2, 3, 4, 5, 6, 7, 11, 12, 13, 14};
        for (int l = 0; l < 11; ++l) {
            char name[32];
            std::snprintf(name, sizeof name, "lyrics/lyrics-%02d.png", lyric_numbers[l]);
            e.push_back({root + name, [l] { return lyric(l); }});
        }
        e.push_back({root + "endscreen/v_g_bkg_Endscreen320_tlo.png", end_background});
        e.push_back({root + "endscreen/v_g_bkg_Endscreen320_clip3.png", end_picture});
        return e;
    }();
    return entries;
}

}  // namespace assets
