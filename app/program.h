#pragma once

namespace dovrik {

// The whole life of the program on the UI thread: start-up, the message
// loop, shutdown. Returns the exit code, which is always 0. The worker
// thread is still blocked for good when this returns; the caller ends the
// process without waiting for it.
int RunProgram(int argc, char** argv);

}  // namespace dovrik
