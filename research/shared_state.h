#pragma once
// What the whole program shares: the main window's controls, the three global texts and the locks.
// The controls are created by the main window and registered here, so that the keyword-research
// operations below the window can reach them; every access goes through platform/controls.h or the
// list's own operations, which are safe from any thread.

#include <mutex>
#include <string>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QWidget;

namespace platform {
class FileDialog;
class ListControl;
}

namespace research {

struct MainControls {
    QWidget* mainWindow = nullptr;
    QPlainTextEdit* keywordBox = nullptr;
    QPushButton* queryButton = nullptr;
    QPushButton* exportButton = nullptr;
    QLabel* exportLabel = nullptr;
    QPushButton* loginButton = nullptr;
    QComboBox* rangeCombo = nullptr;
    QComboBox* delayCombo = nullptr;
    QProgressBar* progressBar = nullptr;
    platform::ListControl* resultList = nullptr;
    QPlainTextEdit* deleteWordsBox = nullptr;
    QPushButton* filterButton = nullptr;
    QPushButton* dedupeButton = nullptr;
    QLabel* statusLabel = nullptr;
    platform::FileDialog* fileDialog = nullptr;
};

// The controls of the one main window; all null until it registers them.
MainControls& mainControls();

// A global text whose every read and every replacement is whole, whatever the threads.
class SharedText {
public:
    std::string get() const;
    void set(std::string text);

private:
    mutable std::mutex mutex_;
    std::string text_;
};

SharedText& sessionCookies();  // the platform session's cookie text
SharedText& sessionToken();    // the platform session's token

// The keywords kept so far by the de-duplication pass, each followed by CR LF. Read and written only
// by a pass holding dedupeLock(), and emptied by a pass as it begins.
std::string& seenKeywords();

// Recursive, owned by the thread that entered them. queryLock keeps query runs apart, filterLock
// filter runs, dedupeLock de-duplication runs.
std::recursive_mutex& queryLock();
std::recursive_mutex& filterLock();
std::recursive_mutex& dedupeLock();
// Held by each word-list pass for its whole run and by each append of query rows, so that nothing
// adds rows while a pass works out which rows to delete.
std::recursive_mutex& listLock();

// The window-created handler makes the locks; before that they do not exist.
void createLocks();

// The exit clean-up: releases the three global texts.
void releaseGlobalTexts();

}  // namespace research
