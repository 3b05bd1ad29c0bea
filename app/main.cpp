// The program entry: the GUI environment, the main window and its message loop, then the exit
// clean-up. The process ends with code 0 at once, whatever workers are still blocked in a request, a
// lock or a call to the UI thread: nothing waits for them and no static destructor runs under them.

#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "app/main_window.h"
#include "research/shared_state.h"

int main(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);  // the embedded browser needs it
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);  // the main window's close ends the loop

    // Never destroyed: workers may still reach its controls until the process ends.
    auto* window = new app::MainWindow;
    window->show();
    window->windowCreated();
    QApplication::exec();

    research::releaseGlobalTexts();
    std::fflush(nullptr);
    std::_Exit(0);
}
