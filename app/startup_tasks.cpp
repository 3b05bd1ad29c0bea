#include "app/startup_tasks.h"

#include "platform/controls.h"
#include "platform/gbk_literal.h"
#include "platform/shell_open.h"
#include "research/hosts.h"
#include "research/shared_state.h"
#include "web/text.h"
#include "web/web_fetch.h"

namespace app {
namespace {

using platform::gbk;

// The notice page travels over plain HTTP, so anyone on the way could name any target; only a web
// address is handed to the open action, never a local file or another scheme's handler.
bool isWebAddress(std::string_view address) {
    return web::textPosition(address, "http://", 1, true) == 1 ||
           web::textPosition(address, "https://", 1, true) == 1;
}

}  // namespace

void showUseCounts() {
    const research::Hosts& h = research::hosts();
    const std::string page =
        web::WebFetch("http://" + h.counterHost + "/count1/count.asp?id=" + h.counterAccount + "&sx=1&ys=43", 0);
    const std::string today = web::textBetween(page, gbk("今天访问："), "&");
    const std::string total = web::textBetween(page, gbk("累计访问："), "&");
    if (QWidget* window = research::mainControls().mainWindow) {
        platform::setControlText(window, gbk("Quorvik            今日使用次数：") + today +
                                             gbk("   累计使用人数：") + total);
    }
}

void checkUpdateNotice() {
    const std::string page = web::WebFetch("http://" + research::hosts().noticeHost + "/ruanjian/kz.html");
    const std::string flag = web::textBetween(page, "gx=", "&");
    const std::string address = web::textBetween(page, "tz=", "&");
    if (flag != "1") return;
    if (isWebAddress(address)) platform::shellOpen(address);
    if (QWidget* window = research::mainControls().mainWindow) platform::closeWindow(window);
}

}  // namespace app
