#pragma once
// Credit intro for drumelo (29-33 s): the name tilts at 29.9, 30.8 and 31.6 s
// and snaps upright at 32.5 s.
// One member of the credit family (effects/credit_intro.h), drawn by its row.

#include "effects/credit_intro.h"

class effect_intro_drumelo : public credit_intro {
public:
    effect_intro_drumelo(effect_host* host, vdk::core::logger* log)
        : credit_intro(host, log, credit_rows::drumelo) {}
};
