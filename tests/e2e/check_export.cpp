// Checks the files that the whole job exported against what the simulator served: the rows of the
// three keywords, less those with the delete word, less the repeats, numbered 1 to n.
//   e2e_check_export <records> <delete word> <xls file> <xlsx file> <keyword>...
// Texts on the command line are UTF-8. Exit code 0 when both files hold what they should.

#include <QCoreApplication>
#include <QProcess>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/gbk_literal.h"
#include "research/export_text.h"
#include "research/keyword_query.h"
#include "research/word_list_logic.h"
#include "sim/report.h"
#include "web/text.h"

namespace {

std::string readFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr, "usage: %s records deleteWord xls xlsx keyword...\n", argv[0]);
        return 2;
    }
    const int records = std::atoi(argv[1]);
    const std::string deleteWord = web::utf8ToGbk(argv[2]);
    const std::string date = research::reportDate(0, research::localToday());

    std::vector<platform::ListRow> rows;
    for (int k = 5; k < argc; ++k) {
        for (const sim::BidRecord& r : sim::recordsFor(argv[k], date, records)) {
            platform::ListRow row{"", web::utf8ToGbk(r.word), r.impression, r.click,
                                  research::scaledFigure(r.ctr) + "%", research::scaledFigure(r.cvr) + "%",
                                  research::scaledFigure(r.avgPrice), r.competition};
            if (!research::holdsDeleteWord(row[1], {deleteWord})) rows.push_back(std::move(row));
        }
    }
    std::vector<std::string> keywords;
    for (const auto& row : rows) keywords.push_back(row[1]);
    const research::DedupeDecision dedupe = research::decideDedupe(keywords);
    std::vector<platform::ListRow> kept;
    for (size_t i = 0, d = 0; i < rows.size(); ++i) {
        if (d < dedupe.removedRows.size() && dedupe.removedRows[d] == static_cast<int>(i)) {
            ++d;
            continue;
        }
        kept.push_back(rows[i]);
        kept.back()[0] = std::to_string(kept.size());
    }
    std::vector<std::string> titles;
    for (const char* t : {"编号", "关键词", "展现指数", "点击指数", "点击率", "点击转化率", "市场均价", "竞争度"}) {
        titles.push_back(platform::gbk(t));
    }
    const std::string expected = research::exportText(titles, kept);
    const std::string xls = readFile(argv[3]);
    if (xls != expected) {
        std::fprintf(stderr, "%s: %zu bytes, expected %zu bytes of %zu rows\n", argv[3], xls.size(),
                     expected.size(), kept.size());
        return 1;
    }
    // The workbook: a zip whose first sheet holds the header and every row.
    const std::string xlsx = readFile(argv[4]);
    if (xlsx.rfind("PK\x03\x04", 0) != 0) {
        std::fprintf(stderr, "%s is no workbook\n", argv[4]);
        return 1;
    }
    QCoreApplication app(argc, argv);
    QProcess unzip;
    unzip.start("unzip", {"-p", argv[4], "xl/worksheets/sheet1.xml"});
    unzip.waitForFinished(60000);
    const QByteArray sheet = unzip.readAllStandardOutput();
    const int sheetRows = static_cast<int>(sheet.count("<row "));
    if (sheetRows != static_cast<int>(kept.size()) + 1) {
        std::fprintf(stderr, "%s: %d sheet rows, expected %zu\n", argv[4], sheetRows, kept.size() + 1);
        return 1;
    }
    std::printf("exported %zu rows, both files as served\n", kept.size());
    return 0;
}
