#pragma once
// Credit intro for pello (37-40.5 s): the name tilts at 37.3 and 38.1 s and
// its third step, at 39.2 s, sets it upright.
// One member of the credit family (effects/credit_intro.h), drawn by its row.

#include "effects/credit_intro.h"

class effect_intro_pello : public credit_intro {
public:
    effect_intro_pello(effect_host* host, vdk::core::logger* log)
        : credit_intro(host, log, credit_rows::pello) {}
};
