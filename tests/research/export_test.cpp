// The export on real controls: the bytes of the text file, the dialog and the question, the workbook
// for .xlsx names, and a failed write that leaves the old file alone.

#include "research/export.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <csignal>
#include <filesystem>
#include <map>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "platform/controls.h"
#include "platform/dialogs.h"
#include "platform/gbk_literal.h"
#include "platform/list_control.h"
#include "platform/shell_open.h"
#include "research/export_text.h"

namespace {

using platform::gbk;
using testing::ElementsAre;

const char* const kTitles[] = {"编号", "关键词", "展现指数", "点击指数", "点击率", "点击转化率", "市场均价", "竞争度"};

std::vector<platform::ListControl::Column> eightColumns() {
    std::vector<platform::ListControl::Column> columns;
    for (const char* title : kTitles) columns.push_back({gbk(title), 100});
    return columns;
}

std::string header() {
    std::string line;
    for (const char* title : kTitles) line += gbk(title) + "\t";
    return line + "\r\n";
}

std::string readFile(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return "<missing>";
    const QByteArray bytes = file.readAll();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

void writeFile(const std::string& path, const std::string& content) {
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content.data(), static_cast<qint64>(content.size()));
}

class ExportTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid());
        platform::clearShownMessages();
        platform::setShellOpenObserver([this](const std::string& target) { opened_.push_back(target); });
        progressBar_.setMaximum(100);
        progressBar_.setValue(50);
    }
    void TearDown() override { platform::setShellOpenObserver({}); }

    std::string path(const char* name) const { return folder_.filePath(name).toStdString(); }
    void addRows(const std::vector<platform::ListRow>& rows) { list_.appendRows(rows); }
    void exportTo(std::optional<std::string> name, std::optional<platform::Answer> answer = platform::Answer::No) {
        platform::queueSaveFileName(std::move(name));
        if (answer) platform::queueMessageAnswer(*answer);
        research::exportList(&list_, &progressBar_, &exportLabel_, &fileDialog_);
    }
    std::vector<std::string> fileNamesInFolder() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder_.path().toStdString())) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    QTemporaryDir folder_;
    platform::ListControl list_{eightColumns()};
    QProgressBar progressBar_;
    QLabel exportLabel_;
    platform::FileDialog fileDialog_;
    std::vector<std::string> opened_;
};

TEST_F(ExportTest, WritesEveryCellFollowedByATabAndEveryLineByCrLf) {
    addRows({{"1", gbk("连衣裙"), "1200", "35", "2.92%", "1.5%", "0.87", "410"},
             {"2", "a", "", "x", "y", "z", "w", "v"}});
    exportTo(path("out.xls"));
    EXPECT_EQ(readFile(path("out.xls")), header() + "1\t" + gbk("连衣裙") +
                                             "\t1200\t35\t2.92%\t1.5%\t0.87\t410\t\r\n"
                                             "2\ta\t\tx\ty\tz\tw\tv\t\r\n");
    EXPECT_EQ(progressBar_.maximum(), 2);
    EXPECT_EQ(progressBar_.value(), 2);
    EXPECT_EQ(platform::controlText(&exportLabel_), gbk("整合完毕"));
    const platform::SaveDialogSetup setup = platform::lastSaveDialogSetup();
    EXPECT_EQ(setup.initialName, "*.xls");
    EXPECT_EQ(setup.filter, "(*.xls)|*.xls|(*.xlsx)|*.xlsx");
    EXPECT_TRUE(setup.confirmOverwrite);
    EXPECT_THAT(platform::shownMessages(), ElementsAre(gbk("文件已经导出 是否马上打开？")));
    EXPECT_TRUE(opened_.empty());
}

TEST_F(ExportTest, AnEmptyListGivesTheHeaderAlone) {
    exportTo(path("empty.xls"));
    EXPECT_EQ(readFile(path("empty.xls")), header());
    EXPECT_EQ(progressBar_.maximum(), 0);
    EXPECT_EQ(progressBar_.value(), 0);
}

TEST_F(ExportTest, ACellWithATabIsWrittenAsItStands) {
    addRows({{"1", "a\tb", "", "", "", "", "", "c"}});
    exportTo(path("tab"));  // a name without an extension is used as typed
    EXPECT_EQ(readFile(path("tab")), header() + "1\ta\tb\t\t\t\t\t\tc\t\r\n");
}

TEST_F(ExportTest, YesOpensTheFile) {
    exportTo(path("open.xls"), platform::Answer::Yes);
    EXPECT_THAT(opened_, ElementsAre(path("open.xls")));
}

TEST_F(ExportTest, CancelStillLeavesTheLabel) {
    addRows({{"1", "a"}});
    exportTo(std::nullopt, std::nullopt);
    EXPECT_EQ(platform::controlText(&exportLabel_), gbk("整合完毕"));
    EXPECT_TRUE(platform::shownMessages().empty());
    EXPECT_TRUE(fileNamesInFolder().empty());
}

TEST_F(ExportTest, AnExistingFileIsReplacedWhole) {
    writeFile(path("old.xls"), std::string(10000, 'x'));
    addRows({{"1", "a"}});
    exportTo(path("old.xls"));
    EXPECT_EQ(readFile(path("old.xls")), header() + "1\ta\t\t\t\t\t\t\t\r\n");
    EXPECT_THAT(fileNamesInFolder(), ElementsAre("old.xls"));
}

TEST_F(ExportTest, AFolderThatVanishedGivesTheMessageAndNoQuestion) {
    const std::string name = path("gone") + "/out.xls";
    exportTo(name, platform::Answer::Ok);
    EXPECT_THAT(platform::shownMessages(), ElementsAre(gbk("文件导出失败：") + name));
}

// A file system that takes no more bytes, staged with the file size limit (root passes every
// permission check): the old file stays as it was and no temporary file is left behind.
TEST_F(ExportTest, AFailedWriteLeavesTheOldFileIntact) {
    const std::string old = "old content\r\n";
    for (const char* name : {"full.xls", "full.xlsx"}) {
        platform::clearShownMessages();
        writeFile(path(name), old);
        std::vector<platform::ListRow> rows(2000, platform::ListRow{"1", "keyword", "2", "3", "4%", "5%", "6", "7"});
        addRows(rows);

        rlimit saved{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit small = saved;
        small.rlim_cur = 4096;
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        exportTo(path(name), platform::Answer::Ok);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);

        EXPECT_EQ(readFile(path(name)), old) << name;
        EXPECT_THAT(platform::shownMessages(), ElementsAre(gbk("文件导出失败：") + path(name)));
        std::filesystem::remove(path(name));
        EXPECT_TRUE(fileNamesInFolder().empty()) << testing::PrintToString(fileNamesInFolder());
    }
}

// One cell of a sheet as the workbook holds it.
struct SheetValue {
    std::string type;  // "text" (shared or inline), "n" number
    std::string value;  // the text, or the number as written
    bool styled = false;
    bool formula = false;
    bool operator==(const SheetValue&) const = default;
};

void PrintTo(const SheetValue& v, std::ostream* os) {
    *os << v.type << ":" << v.value << (v.styled ? " styled" : "") << (v.formula ? " formula" : "");
}

QByteArray unzipPart(const std::string& file, const char* part) {
    QProcess unzip;
    unzip.start("unzip", {"-p", QString::fromStdString(file), part});
    if (!unzip.waitForFinished(30000)) return {};
    return unzip.readAllStandardOutput();
}

// The cells of the first sheet by reference ("A1"), read back from the file.
std::map<std::string, SheetValue> readSheet(const std::string& file) {
    std::vector<std::string> shared;
    QXmlStreamReader strings(unzipPart(file, "xl/sharedStrings.xml"));
    while (!strings.atEnd()) {
        if (strings.readNext() == QXmlStreamReader::StartElement && strings.name() == u"si") {
            std::string text;
            while (!(strings.readNext() == QXmlStreamReader::EndElement && strings.name() == u"si")) {
                if (strings.isStartElement() && strings.name() == u"t") text += strings.readElementText().toStdString();
            }
            shared.push_back(text);
        }
    }
    std::map<std::string, SheetValue> cells;
    QXmlStreamReader sheet(unzipPart(file, "xl/worksheets/sheet1.xml"));
    std::string ref;
    while (!sheet.atEnd()) {
        sheet.readNext();
        if (!sheet.isStartElement()) continue;
        if (sheet.name() == u"c") {
            ref = sheet.attributes().value("r").toString().toStdString();
            SheetValue& cell = cells[ref];
            cell.type = sheet.attributes().hasAttribute("t") ? sheet.attributes().value("t").toString().toStdString() : "n";
            cell.styled = sheet.attributes().hasAttribute("s");
        } else if (sheet.name() == u"f") {
            cells[ref].formula = true;
        } else if (sheet.name() == u"v" || sheet.name() == u"t") {
            SheetValue& cell = cells[ref];
            cell.value = sheet.readElementText().toStdString();
            if (cell.type == "s") cell.value = shared.at(std::stoul(cell.value));
            if (cell.type == "s" || cell.type == "inlineStr" || cell.type == "str") cell.type = "text";
        }
    }
    return cells;
}

TEST_F(ExportTest, AnXlsxNameGetsAWorkbookWithTheSameCells) {
    addRows({{"1", "123", "1200", "35", "2.92%", "1.5%", "0.87", "410"},
             {"2", gbk("连衣裙"), "=1+1", "1e5", "%", "-3%", "", gbk("高")}});
    exportTo(path("out.xlsx"));
    const std::map<std::string, SheetValue> cells = readSheet(path("out.xlsx"));
    const auto text = [](const char* utf8) { return SheetValue{"text", utf8}; };
    const auto number = [](const char* value) { return SheetValue{"n", value}; };
    const auto percent = [](const char* value) { return SheetValue{"n", value, true}; };
    std::map<std::string, SheetValue> expected = {
        {"A2", number("1")},  {"B2", text("123")},   {"C2", number("1200")},     {"D2", number("35")},
        {"E2", percent("0.0292")}, {"F2", percent("0.015")}, {"G2", number("0.87")}, {"H2", number("410")},
        {"A3", number("2")},  {"B3", text("连衣裙")}, {"C3", text("=1+1")},       {"D3", text("1e5")},
        {"E3", text("%")},    {"F3", percent("-0.03")}, {"H3", text("高")},
    };
    for (size_t c = 0; c < 8; ++c) expected[std::string(1, static_cast<char>('A' + c)) + "1"] = text(kTitles[c]);
    EXPECT_EQ(cells, expected);
    EXPECT_EQ(readFile(path("out.xlsx")).substr(0, 2), "PK");
    EXPECT_THAT(fileNamesInFolder(), ElementsAre("out.xlsx"));
}

TEST(SheetCell, TellsNumbersPercentsAndTexts) {
    using Kind = research::SheetCell::Kind;
    struct Case {
        const char* text;
        Kind kind;
        double value;
    };
    const Case cases[] = {
        {"12", Kind::Number, 12},      {"-0.5", Kind::Number, -0.5},  {"2.92%", Kind::Percent, 0.0292},
        {"0%", Kind::Percent, 0},      {"007", Kind::Number, 7},      {"123456789012345", Kind::Number, 123456789012345},
        {"1234567890123456", Kind::Text, 0}, {"", Kind::Text, 0},     {"%", Kind::Text, 0},
        {"1e5", Kind::Text, 0},        {" 1", Kind::Text, 0},         {"1,000", Kind::Text, 0},
        {"=1+1", Kind::Text, 0},       {".5", Kind::Text, 0},         {"5.", Kind::Text, 0},
        {"+5", Kind::Text, 0},         {"-", Kind::Text, 0},          {"1%%", Kind::Text, 0},
        {"inf", Kind::Text, 0},        {"0x1", Kind::Text, 0},
    };
    for (const Case& c : cases) {
        const research::SheetCell cell = research::sheetCell(c.text);
        EXPECT_EQ(cell.kind, c.kind) << c.text;
        EXPECT_DOUBLE_EQ(cell.value, c.value) << c.text;
    }
}

TEST(WantsWorkbook, LooksAtTheLastExtensionInAnyCase) {
    EXPECT_TRUE(research::wantsWorkbook("/a/b.xlsx"));
    EXPECT_TRUE(research::wantsWorkbook("B.XLSX"));
    EXPECT_FALSE(research::wantsWorkbook("b.xls"));
    EXPECT_FALSE(research::wantsWorkbook("b.xlsx.txt"));
    EXPECT_FALSE(research::wantsWorkbook("xlsx"));
    EXPECT_TRUE(research::wantsWorkbook(".xlsx"));
}

TEST(ExportText, TellsTheProgressAndEndsWithEveryRow) {
    std::vector<platform::ListRow> rows(3000, platform::ListRow{"a"});
    std::vector<int> told;
    const std::string text = research::exportText({"t"}, rows, [&](int done) { told.push_back(done); });
    EXPECT_EQ(text.size(), 4 + 3000 * 4u);
    ASSERT_FALSE(told.empty());
    EXPECT_EQ(told.back(), 3000);
    EXPECT_TRUE(std::is_sorted(told.begin(), told.end()));
}

}  // namespace
