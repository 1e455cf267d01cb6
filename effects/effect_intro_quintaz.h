#pragma once
// Credit intro for quintaz (33-37 s): the name tilts at 33.7, 34.6 and 35.4 s
// and snaps upright at 36.3 s.
// One member of the credit family (effects/credit_intro.h), drawn by its row.

#include "effects/credit_intro.h"

class effect_intro_quintaz : public credit_intro {
public:
    effect_intro_quintaz(effect_host* host, vdk::core::logger* log)
        : credit_intro(host, log, credit_rows::quintaz) {}
};
