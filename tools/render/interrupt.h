#pragma once
// Ctrl-C, SIGTERM and SIGHUP set a flag instead of ending the process, so a
// long render can stop between frames and remove what it has not finished.

// Installs the handlers (without SA_RESTART: a blocked write returns EINTR)
// and ignores SIGPIPE, so a writer learns of a dead reader from EPIPE.
void catch_interrupts();
bool interrupted();
