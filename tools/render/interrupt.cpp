#include "tools/render/interrupt.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t interrupt_flag = 0;

extern "C" void on_interrupt(int) { interrupt_flag = 1; }

}  // namespace

void catch_interrupts() {
    struct sigaction action {};
    action.sa_handler = on_interrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

bool interrupted() { return interrupt_flag != 0; }
