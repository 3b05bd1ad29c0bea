#include "app/program.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "app/main_window.h"
#include "research/shared_state.h"

namespace app {

void runProgram(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);  // the embedded browser needs it
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);  // the main window's close ends the loop

    // Never destroyed: workers may still reach its controls until the process ends.
    auto* window = new MainWindow;
    window->show();
    window->windowCreated();
    QApplication::exec();
    endProgram();
}

void endProgram() {
    research::releaseGlobalTexts();
    std::fflush(nullptr);
    std::_Exit(0);
}

}  // namespace app
