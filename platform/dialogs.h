#pragma once
// The program's message boxes and its save dialog. Message boxes have no owner window and are
// application-modal, with the title "信息：". Tests answer the next box or dialog through the seams
// below instead of a person; an answered box is recorded but never shown.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class Answer { Ok, Yes, No };

// An OK box with `text` (code page 936). Callable from any thread; returns when it is closed.
void showMessage(std::string_view text);
// A box with Yes and No; true for Yes.
bool askYesNo(std::string_view text);

struct SaveDialogSetup {
    std::string initialName;           // shown in the name field, e.g. "*.xls"
    std::string filter;                // "label|pattern|label|pattern", e.g. "(*.xls)|*.xls|(*.xlsx)|*.xlsx"
    bool confirmOverwrite = true;      // ask before replacing an existing file
};

// The common save-file dialog of the main window. Not shown until show(); a name typed without an
// extension is used as typed, and only an existing folder is accepted.
class FileDialog {
public:
    void setup(SaveDialogSetup setup) { setup_ = std::move(setup); }
    // Shows the dialog (from the UI thread); true when the user confirmed a name.
    bool show();
    // The chosen file name (code page 936), "" before a confirmed show().
    const std::string& fileName() const { return fileName_; }

private:
    SaveDialogSetup setup_;
    std::string fileName_;
};

// Test seams. Each queued answer is used by the next box or dialog, first in, first out; a box shown
// with no queued answer is shown for real.
void queueMessageAnswer(Answer answer);
void queueSaveFileName(std::optional<std::string> name);
// Every text shown in a box so far, oldest first, and the setup of the last save dialog asked.
std::vector<std::string> shownMessages();
void clearShownMessages();
SaveDialogSetup lastSaveDialogSetup();

}  // namespace platform
