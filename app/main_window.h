#pragma once
// The program's one main window: every control at its place, and the event handlers that start the
// real work. Handlers that start work start a detached worker thread and return at once; the export
// runs on the UI thread.

#include <QWidget>
#include <memory>

#include "platform/dialogs.h"

namespace platform {
class ListControl;
}

namespace app {

class MainWindow : public QWidget {
    Q_OBJECT
public:
    MainWindow();
    ~MainWindow() override;

    // The window-created handler: makes the locks and starts the two startup tasks, waiting for
    // neither. Call once, after the window exists.
    void windowCreated();

    void onQueryClicked();
    void onFilterClicked();
    void onDedupeClicked();
    void onLoginClicked();
    void onExportClicked();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    platform::ListControl* resultModel_;
    platform::FileDialog fileDialog_;
};

// The window's icon, 72 x 72 pixels.
QIcon appIcon();

}  // namespace app
