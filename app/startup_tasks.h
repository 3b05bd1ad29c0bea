#pragma once
// The two tasks that run once after the main window is created, each on a worker of its own.

namespace app {

// Reads the public use counter and shows today's and the total count in the window caption.
void showUseCounts();
// Reads the update notice; when it asks for an update, opens its address and closes the window.
void checkUpdateNotice();

}  // namespace app
