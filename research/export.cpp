#include "research/export.h"

#include <QLabel>
#include <QSaveFile>
#include <optional>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/dialogs.h"
#include "platform/gbk_literal.h"
#include "platform/list_control.h"
#include "platform/shell_open.h"
#include "research/export_text.h"

namespace research {
namespace {

// The whole content goes to a temporary file beside the target, which replaces the target only once
// it is complete: a failed or interrupted export leaves an existing file as it was.
bool writeWholeFile(const std::string& fileName, const std::string& content) {
    QSaveFile file(platform::toQString(fileName));
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(content.data(), static_cast<qint64>(content.size())) != static_cast<qint64>(content.size())) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

}  // namespace

void exportList(platform::ListControl* list, QProgressBar* progressBar, QLabel* exportLabel,
                platform::FileDialog* fileDialog) {
    std::vector<std::string> titles(static_cast<size_t>(list->columnCount()));
    for (size_t c = 0; c < titles.size(); ++c) titles[c] = list->columnTitle(static_cast<int>(c));
    const std::vector<platform::ListRow> rows = list->snapshot();

    platform::setProgressPosition(progressBar, 0);
    platform::setProgressMaximum(progressBar, static_cast<int>(rows.size()));
    // The bar moves in steps of many rows: painting it once per row would cost more than the text.
    const std::string content = exportText(titles, rows, [&](int rowsDone) {
        platform::setProgressPosition(progressBar, rowsDone);
    });
    platform::setControlText(exportLabel, platform::gbk("整合完毕"));

    fileDialog->setup({"*.xls", "(*.xls)|*.xls|(*.xlsx)|*.xlsx", true});
    if (!fileDialog->show()) return;
    const std::string fileName = fileDialog->fileName();

    std::optional<std::string> bytes = wantsWorkbook(fileName) ? exportWorkbook(titles, rows) : content;
    if (!bytes || !writeWholeFile(fileName, *bytes)) {
        platform::showMessage(platform::gbk("文件导出失败：") + fileName);
        return;
    }
    if (platform::askYesNo(platform::gbk("文件已经导出 是否马上打开？"))) platform::shellOpen(fileName);
}

}  // namespace research
