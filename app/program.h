#pragma once
// The program's life: entry, message loop, exit clean-up.

namespace app {

// Initialises the GUI, shows the main window, runs the message loop until the window closes, then
// ends the process through endProgram(). Never returns.
[[noreturn]] void runProgram(int argc, char** argv);

// The exit clean-up, then the end of the process with code 0 at once, whatever workers are still
// blocked in a request, a lock or a call to the UI thread: nothing waits for them and no static
// destructor runs under them.
[[noreturn]] void endProgram();

}  // namespace app
