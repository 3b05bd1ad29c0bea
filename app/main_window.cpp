#include "app/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <thread>

#include "app/startup_tasks.h"
#include "platform/controls.h"
#include "platform/gbk_literal.h"
#include "platform/list_control.h"
#include "research/export.h"
#include "research/keyword_query.h"
#include "research/login_window.h"
#include "research/shared_state.h"
#include "research/word_list.h"

namespace app {
namespace {

using platform::gbk;
using platform::toQString;

QString text(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

template <class Widget>
Widget* place(Widget* widget, const char* name, int x, int y, int width, int height) {
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(x, y, width, height);
    return widget;
}

QPlainTextEdit* editBox(QWidget* parent) {
    auto* box = new QPlainTextEdit(parent);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setTabChangesFocus(true);
    return box;
}

QLabel* label(QWidget* parent, std::string_view caption = {}) {
    auto* l = new QLabel(text(caption), parent);
    l->setAttribute(Qt::WA_TranslucentBackground);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return l;
}

QComboBox* dropDown(QWidget* parent, std::initializer_list<const char*> items, int selected) {
    auto* combo = new QComboBox(parent);
    combo->setEditable(false);
    for (const char* item : items) combo->addItem(text(item));
    combo->setCurrentIndex(selected);
    return combo;
}

// A worker as the handlers start it: its own thread, never joined; it ends with its task or with the
// process. A thread that cannot start makes the click do nothing.
void startWorker(void (*task)()) {
    try {
        std::thread(task).detach();
    } catch (const std::system_error&) {
    }
}

}  // namespace

MainWindow::MainWindow()
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QString());
    setWindowIcon(appIcon());
    setFixedSize(1019, 655);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }

    research::MainControls& c = research::mainControls();
    c.mainWindow = this;
    c.keywordBox = place(editBox(this), "keywordBox", 13, 17, 280, 36);
    c.queryButton = place(new QPushButton(text("开始查询"), this), "queryButton", 313, 14, 112, 40);
    c.exportButton = place(new QPushButton(text("导出数据"), this), "exportButton", 442, 12, 112, 40);
    c.exportLabel = place(label(this), "exportLabel", 560, 14, 208, 40);
    c.loginButton = place(new QPushButton(text("登录直通车"), this), "loginButton", 12, 70, 120, 32);
    place(label(this, "获取时间段："), "rangeLabel", 143, 80, 64, 16);
    c.rangeCombo = place(dropDown(this, {"昨天", "前天", "过去一周"}, 0), "rangeCombo", 216, 79, 104, 20);
    c.delayCombo = place(dropDown(this, {"无延时", "延时3秒", "延时5秒"}, 1), "delayCombo", 333, 79, 104, 20);
    c.progressBar = place(new QProgressBar(this), "progressBar", 444, 80, 540, 16);
    c.progressBar->setRange(0, 100);
    c.progressBar->setValue(0);
    c.progressBar->setTextVisible(false);

    resultModel_ = new platform::ListControl(
        {{gbk("编号"), 50}, {gbk("关键词"), 100}, {gbk("展现指数"), 100}, {gbk("点击指数"), 100},
         {gbk("点击率"), 100}, {gbk("点击转化率"), 100}, {gbk("市场均价"), 100}, {gbk("竞争度"), 150}},
        this);
    resultModel_->setObjectName(QStringLiteral("resultList"));
    auto* view = place(new QTableView(this), "resultList", 8, 112, 760, 472);
    view->setModel(resultModel_);
    view->setFrameShape(QFrame::Box);
    view->setLineWidth(1);
    view->setShowGrid(true);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSortingEnabled(false);
    view->setWordWrap(false);
    view->verticalHeader()->hide();
    // Fixed row heights keep a list of 100,000 rows as quick as a short one.
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(20);
    view->horizontalHeader()->setSectionsClickable(true);
    view->horizontalHeader()->setHighlightSections(false);
    view->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    view->horizontalHeader()->setStretchLastSection(false);
    for (int column = 0; column < resultModel_->columnCount(); ++column) {
        view->setColumnWidth(column, resultModel_->columnWidth(column));
    }
    QPalette palette = view->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    view->setPalette(palette);
    c.resultList = resultModel_;

    auto* group = place(new QGroupBox(text("删除词表及操作"), this), "wordListGroup", 774, 106, 216, 478);
    c.deleteWordsBox = place(editBox(group), "deleteWordsBox", 6, 24, 200, 390);
    c.filterButton = place(new QPushButton(text("筛选"), group), "filterButton", 7, 421, 96, 40);
    c.dedupeButton = place(new QPushButton(text("去重"), group), "dedupeButton", 111, 422, 96, 40);
    c.statusLabel = place(label(this), "statusLabel", 8, 592, 776, 24);
    c.fileDialog = &fileDialog_;

    connect(c.queryButton, &QPushButton::clicked, this, &MainWindow::onQueryClicked);
    connect(c.exportButton, &QPushButton::clicked, this, &MainWindow::onExportClicked);
    connect(c.loginButton, &QPushButton::clicked, this, &MainWindow::onLoginClicked);
    connect(c.filterButton, &QPushButton::clicked, this, &MainWindow::onFilterClicked);
    connect(c.dedupeButton, &QPushButton::clicked, this, &MainWindow::onDedupeClicked);
}

MainWindow::~MainWindow() { research::mainControls() = {}; }

void MainWindow::windowCreated() {
    research::createLocks();
    startWorker(&showUseCounts);
    startWorker(&checkUpdateNotice);
}

void MainWindow::onQueryClicked() {
    // The caption of the login button is the login state.
    if (platform::controlText(research::mainControls().loginButton) == gbk("登录直通车")) {
        platform::showMessage(gbk("请您先登录直通车"));
        return;
    }
    startWorker(&research::runKeywordQuery);
}

void MainWindow::onFilterClicked() { startWorker(&research::filterWordList); }

void MainWindow::onDedupeClicked() { startWorker(&research::dedupeWordList); }

void MainWindow::onLoginClicked() { research::openLoginWindow(); }

void MainWindow::onExportClicked() {
    const research::MainControls& c = research::mainControls();
    research::exportList(c.resultList, c.progressBar, c.exportLabel, c.fileDialog);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    // Closing the main window ends the program, whatever other windows are open.
    QCoreApplication::quit();
}

QIcon appIcon() {
    QPixmap picture(72, 72);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xFF, 0x6A, 0x00));
    painter.drawRoundedRect(QRectF(2, 2, 68, 68), 14, 14);
    // A magnifier over three bars: looking into the figures of bid words.
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(14, 40, 8, 18));
    painter.drawRect(QRectF(26, 30, 8, 28));
    painter.drawRect(QRectF(38, 46, 8, 12));
    QPen lens(Qt::white, 6);
    painter.setPen(lens);
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(44, 26), 12, 12);
    lens.setCapStyle(Qt::RoundCap);
    painter.setPen(lens);
    painter.drawLine(QPointF(53, 35), QPointF(62, 44));
    painter.end();
    return QIcon(picture);
}

}  // namespace app
