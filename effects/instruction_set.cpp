#include "effects/instruction_set.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

// One case a row: the processor question of each set this build has.
#define VDK_SET_SUPPORTED_CASE(n, unused) \
    VDK_IF_SET(n, case instruction_set::VDK_SET_NAME(n): return VDK_SET_FIELD(RUNS, n);)

bool instruction_set_supported(instruction_set set) {
    if (!row_of(set).built) return false;
    switch (set) {
        VDK_EACH_SET(VDK_SET_SUPPORTED_CASE, ~)
    }
    return false;
}

instruction_set widest_instruction_set() {
    for (int i = instruction_set_count - 1; i > 0; --i) {
        const instruction_set set = instruction_sets[i].set;
        if (instruction_set_supported(set)) return set;
    }
    return instruction_set::scalar;
}

bool instruction_set_from_name(const std::string& name, instruction_set& set) {
    if (name == "baseline") {
        set = baseline_instruction_set();
        return true;
    }
    for (const instruction_set_row& row : instruction_sets) {
        if (name == row.name) {
            set = row.set;
            return true;
        }
    }
    return false;
}

std::string instruction_set_names() {
    std::string names = "scalar, baseline";
    for (int i = 1; i < instruction_set_count; ++i) names += std::string(", ") + instruction_sets[i].name;
    return names;
}

namespace {

constexpr const char* isa_variable = "VELDRAKIN_ISA";

// The set VELDRAKIN_ISA names, when it names a supported one.
bool environment_set(instruction_set& set, std::string& reason) {
    const char* text = std::getenv(isa_variable);
    if (text == nullptr || *text == '\0') return false;
    if (!instruction_set_from_name(text, set)) {
        reason = std::string(isa_variable) + "='" + text + "' names no instruction set (" +
                 instruction_set_names() + ")";
        return false;
    }
    if (!instruction_set_supported(set)) {
        reason = std::string(isa_variable) + "='" + text + "': this processor or build cannot run " +
                 instruction_set_name(set);
        return false;
    }
    return true;
}

std::atomic<int>& chosen_index() {
    static std::atomic<int> index{[] {
        instruction_set set = instruction_set::scalar;
        std::string reason;
        if (environment_set(set, reason)) return static_cast<int>(set);
        if (!reason.empty()) std::fprintf(stderr, "%s; drawing with the widest set\n", reason.c_str());
        return static_cast<int>(widest_instruction_set());
    }()};
    return index;
}

}  // namespace

instruction_set chosen_instruction_set() {
    return static_cast<instruction_set>(chosen_index().load(std::memory_order_relaxed));
}

bool choose_instruction_set(instruction_set set) {
    if (!instruction_set_supported(set)) return false;
    chosen_index().store(static_cast<int>(set), std::memory_order_relaxed);
    return true;
}

bool environment_instruction_set_valid(std::string& reason) {
    instruction_set set = instruction_set::scalar;
    reason.clear();
    return environment_set(set, reason) || reason.empty();
}
