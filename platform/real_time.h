#pragma once

namespace dovrik {

// Asks for first-in-first-out real-time scheduling for the calling thread,
// at a low real-time priority: below the sound servers' own threads
// (PulseAudio's 5, PipeWire's 88) but above every ordinary thread, so that a
// busy desktop does not make the side-tone late. Where the system does not
// allow it (no privilege, no real-time limit) the thread carries on as an
// ordinary one, quietly. Children forked later start as ordinary threads.
void AskForRealTimeScheduling();

}  // namespace dovrik
