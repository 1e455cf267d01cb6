#pragma once
// The picture designs. Each function builds one picture of the show; the
// catalogue (catalogue.h) says which file it becomes.

#include "tools/assets/image.h"

namespace assets::pictures {

// Repeating textures (tileable: the effects sample them with wrap-around).
image rust();          // 256 × 256, opaque, red never 0
image blood_skin();    // 256 × 256, opaque
image cryptic();       // 256 × 256, opaque glyph tiles
image tex3();          // 256 × 256, opaque cold marble
image noise_clouds();  // BWST_1: 256 × 256, opaque, strong green variation
image noise_streaks(); // BWST_9: 256 × 256, red streaks, faint alpha
image noise_gato();    // gatonoise: 256 × 256, opaque, strong green variation

// Full-screen scenes, 320 × 240, opaque.
image corridor();
image industrial();
image opening();
image still_landscape();
image broadcast_stripes();
image title_background();
image credit_background(int member);  // 0 fennickone, 1 drumelo, 2 quintaz, 3 pello
image end_background();

// Full-screen text and shapes, 320 × 240.
image title_logo();                    // opaque
image credit_name(int member);         // on full transparency
image credit_mask(int member);         // opaque white name on black
image greeting(int index);             // 0 orvilane … 5 krenn, on full transparency
image lyric(int index);                // 0 … 10, on full transparency
image end_picture();                   // on full transparency
image vault_frame();                   // on full transparency
image vault_stencil();                 // opaque white shape on black

// The desktop icon, 256 × 256: a rounded square on full transparency.
image icon();

}  // namespace assets::pictures
