#pragma once
// Credit intro for fennickone (25-29 s): fades in from white until 26 s; the
// name tilts at 26.0, 26.9 and 27.7 s and snaps upright at 28.5 s.
// One member of the credit family (effects/credit_intro.h), drawn by its row.

#include "effects/credit_intro.h"

class effect_intro_fennick : public credit_intro {
public:
    effect_intro_fennick(effect_host* host, vdk::core::logger* log)
        : credit_intro(host, log, credit_rows::fennick) {}
};
