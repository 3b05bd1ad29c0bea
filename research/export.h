#pragma once
// The export of the whole list to a file that the user chooses.

class QLabel;
class QProgressBar;

namespace platform {
class FileDialog;
class ListControl;
}

namespace research {

// Runs on the UI thread from start to end; the save dialog and the question are modal.
void exportList(platform::ListControl* list, QProgressBar* progressBar, QLabel* exportLabel,
                platform::FileDialog* fileDialog);

}  // namespace research
