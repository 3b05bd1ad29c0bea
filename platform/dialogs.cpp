#include "platform/dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <deque>
#include <mutex>

#include "platform/controls.h"
#include "platform/gbk_literal.h"
#include "platform/ui_bridge.h"

namespace platform {
namespace {

struct Seams {
    std::mutex mutex;
    std::deque<Answer> answers;
    std::deque<std::optional<std::string>> fileNames;
    std::vector<std::string> shown;
    SaveDialogSetup lastSetup;
};

Seams& seams() {
    static Seams instance;
    return instance;
}

// The queued answer for the next box, recording its text either way.
std::optional<Answer> takeAnswer(std::string_view text) {
    Seams& s = seams();
    std::lock_guard lock(s.mutex);
    s.shown.emplace_back(text);
    if (s.answers.empty()) return std::nullopt;
    Answer answer = s.answers.front();
    s.answers.pop_front();
    return answer;
}

QMessageBox::StandardButton runBox(std::string_view text, QMessageBox::StandardButtons buttons) {
    const QString shown = toQString(text);
    return onUiThread([&] {
        QMessageBox box(QMessageBox::NoIcon, toQString(gbk("信息：")), shown, buttons);
        box.setWindowModality(Qt::ApplicationModal);
        return static_cast<QMessageBox::StandardButton>(box.exec());
    });
}

}  // namespace

void showMessage(std::string_view text) {
    if (takeAnswer(text)) return;
    runBox(text, QMessageBox::Ok);
}

bool askYesNo(std::string_view text) {
    if (auto answer = takeAnswer(text)) return *answer == Answer::Yes;
    return runBox(text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

namespace {

std::optional<std::string> askSaveFileName(const SaveDialogSetup& setup) {
    {
        Seams& s = seams();
        std::lock_guard lock(s.mutex);
        s.lastSetup = setup;
        if (!s.fileNames.empty()) {
            std::optional<std::string> name = std::move(s.fileNames.front());
            s.fileNames.pop_front();
            return name;
        }
    }
    return onUiThread([&]() -> std::optional<std::string> {
        QFileDialog dialog;
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // Qt's own dialog: the same on every desktop, and drivable under a bare X server.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !setup.confirmOverwrite);
        dialog.setOption(QFileDialog::ReadOnly, false);
        // Qt takes the patterns from the parentheses of each label, so the labels serve as filters.
        const QStringList parts = toQString(setup.filter).split(QLatin1Char('|'));
        QStringList filters;
        for (qsizetype i = 0; i + 1 < parts.size(); i += 2) filters << parts[i];
        dialog.setNameFilters(filters);
        if (!filters.isEmpty()) dialog.selectNameFilter(filters.front());
        dialog.selectFile(toQString(setup.initialName));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
        return fromQString(dialog.selectedFiles().front());
    });
}

}  // namespace

bool FileDialog::show() {
    std::optional<std::string> name = askSaveFileName(setup_);
    if (!name) return false;
    fileName_ = std::move(*name);
    return true;
}

void queueMessageAnswer(Answer answer) {
    std::lock_guard lock(seams().mutex);
    seams().answers.push_back(answer);
}

void queueSaveFileName(std::optional<std::string> name) {
    std::lock_guard lock(seams().mutex);
    seams().fileNames.push_back(std::move(name));
}

std::vector<std::string> shownMessages() {
    std::lock_guard lock(seams().mutex);
    return seams().shown;
}

void clearShownMessages() {
    std::lock_guard lock(seams().mutex);
    seams().shown.clear();
}

SaveDialogSetup lastSaveDialogSetup() {
    std::lock_guard lock(seams().mutex);
    return seams().lastSetup;
}

}  // namespace platform
