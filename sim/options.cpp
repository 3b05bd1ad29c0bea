#include "sim/options.h"

#include <QCommandLineParser>
#include <QStringList>
#include <array>
#include <utility>

namespace sim {
namespace {

constexpr std::array<std::pair<const char*, Endpoint>, 7> kEndpoints = {{
    {"home", Endpoint::home},
    {"login", Endpoint::login},
    {"info", Endpoint::loginInfo},
    {"report", Endpoint::report},
    {"counter", Endpoint::counter},
    {"notice", Endpoint::notice},
    {"all", Endpoint::any},
}};

constexpr std::array<std::pair<const char*, FaultKind>, 9> kKinds = {{
    {"stall", FaultKind::stall},
    {"reset", FaultKind::reset},
    {"500", FaultKind::serverError},
    {"garbage", FaultKind::garbage},
    {"huge", FaultKind::huge},
    {"many-cookies", FaultKind::manyCookies},
    {"no-token", FaultKind::noToken},
    {"token-last", FaultKind::tokenLast},
    {"bad-utf8", FaultKind::badUtf8},
}};

const char* const kDescription =
    "A local stand-in for the ad platform, the use counter and the update notice, on 127.0.0.1 only.\n"
    "The first line of standard output is \"port <N>\"; standard error gets one line per request:\n"
    "method, path, status, bytes.\n"
    "\n"
    "  GET  /                                  login page, or the logged-in seller\n"
    "  POST /login                             username=演示卖家&password=demo123 -> 302 to / with cookies\n"
    "  GET  /bpenv/getLoginUserInfo.htm        JSON with \"token\":\"<token>\",\" for a session cookie2\n"
    "  POST /report/getRelatedBidwordList.htm  ?bidwordstr=..&theDate=Y-M-D, form body\n"
    "                                          sla=json&isAjaxRequest=true&token=..&_referer=/...\n"
    "  GET  /count1/count.asp?id=..&sx=1&ys=43 GBK text with 今天访问：N& and 累计访问：M&\n"
    "  GET  /ruanjian/kz.html                  gx=0&tz=<address>& (gx=1 with --update-url)\n"
    "\n"
    "Keywords that are empty or begin with 无结果 have no bid words.\n"
    "\n"
    "Faults: --fault ENDPOINT:KIND[:COUNT], repeatable; the first matching fault wins, COUNT limits it\n"
    "to that many requests. ENDPOINT: home login info report counter notice all. KIND:\n"
    "  stall         never answer          reset        half the body, then the connection drops\n"
    "  500           HTTP 500 error page   garbage      4096 bytes of binary noise as body\n"
    "  huge          answer padded to 64 MiB           many-cookies 300 extra Set-Cookie lines\n"
    "  no-token      (info) no token       token-last   (info) token is the last field\n"
    "  bad-utf8      (report) words that are not UTF-8";

bool parseNumber(const QString& text, int low, int high, int& out) {
    bool ok = false;
    int value = text.toInt(&ok);
    if (!ok || value < low || value > high) return false;
    out = value;
    return true;
}

std::optional<Fault> parseFault(const QString& text) {
    QStringList parts = text.split(':');
    if (parts.size() < 2 || parts.size() > 3) return std::nullopt;
    Fault fault;
    bool endpointKnown = false, kindKnown = false;
    for (const auto& [name, endpoint] : kEndpoints)
        if (parts[0] == QLatin1String(name)) fault.endpoint = endpoint, endpointKnown = true;
    for (const auto& [name, kind] : kKinds)
        if (parts[1] == QLatin1String(name)) fault.kind = kind, kindKnown = true;
    if (!endpointKnown || !kindKnown) return std::nullopt;
    if (parts.size() == 3 && !parseNumber(parts[2], 1, 1000000, fault.times)) return std::nullopt;
    // Kinds that shape one endpoint's answer make no sense elsewhere.
    bool infoOnly = fault.kind == FaultKind::noToken || fault.kind == FaultKind::tokenLast;
    if (infoOnly && fault.endpoint != Endpoint::loginInfo) return std::nullopt;
    if (fault.kind == FaultKind::badUtf8 && fault.endpoint != Endpoint::report) return std::nullopt;
    return fault;
}

}  // namespace

ParsedOptions parseOptions(const std::vector<std::string>& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    parser.addHelpOption();
    QCommandLineOption port("port", "Port on 127.0.0.1; 0 (the default) takes any free port.", "N", "0");
    QCommandLineOption records("records", "Bid words per keyword, 0 to 5000 (default 200).", "N",
                               QString::number(kDefaultRecords));
    QCommandLineOption recordLines("record-lines", "Put every record of a report on a line of its own.");
    QCommandLineOption longCookies("long-cookies",
                                   "Set enough cookies at login to pass 3,000 bytes of cookie text.");
    QCommandLineOption latency("latency-ms", "Wait N ms before every answer.", "N", "0");
    QCommandLineOption updateUrl("update-url", "The notice asks for an update: gx=1&tz=URL&.", "URL");
    QCommandLineOption counterText("counter-text", "Serve TEXT (written as GBK) as the counter page.",
                                   "TEXT");
    QCommandLineOption noticeText("notice-text", "Serve TEXT (written as GBK) as the notice page.", "TEXT");
    QCommandLineOption stopOnEof("stop-on-stdin-eof",
                                 "Stop when standard input closes (ties the life to a parent).");
    QCommandLineOption fault("fault", "A fault, ENDPOINT:KIND[:COUNT] (see above); repeatable.", "FAULT");
    parser.addOptions({port, records, recordLines, longCookies, latency, updateUrl, counterText, noticeText,
                       stopOnEof, fault});

    QStringList args{"quorvik-sim"};
    for (const std::string& a : arguments) args << QString::fromStdString(a);
    ParsedOptions result;
    if (!parser.parse(args)) {
        result.message = parser.errorText().toStdString();
        return result;
    }
    if (parser.isSet("help")) {
        result.help = true;
        result.message = parser.helpText().toStdString();
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.message = "unexpected argument: " + parser.positionalArguments().first().toStdString();
        return result;
    }

    SimOptions options;
    options.layout = parser.isSet(recordLines) ? ReportLayout::linePerRecord : ReportLayout::oneLine;
    options.longCookies = parser.isSet(longCookies);
    options.stopOnStdinEof = parser.isSet(stopOnEof);
    if (!parseNumber(parser.value(port), 0, 65535, options.port)) {
        result.message = "--port takes 0 to 65535";
        return result;
    }
    if (!parseNumber(parser.value(records), 0, kMaxRecords, options.records)) {
        result.message = "--records takes 0 to 5000";
        return result;
    }
    if (!parseNumber(parser.value(latency), 0, 600000, options.latencyMs)) {
        result.message = "--latency-ms takes 0 to 600000";
        return result;
    }
    options.updateUrl = parser.value(updateUrl).toStdString();
    if (options.updateUrl.find('&') != std::string::npos) {
        result.message = "--update-url cannot hold \"&\", which ends the address on the notice page";
        return result;
    }
    if (parser.isSet(counterText)) options.counterText = parser.value(counterText).toStdString();
    if (parser.isSet(noticeText)) options.noticeText = parser.value(noticeText).toStdString();
    for (const QString& faultText : parser.values(fault)) {
        std::optional<Fault> parsed = parseFault(faultText);
        if (!parsed) {
            result.message = "bad --fault " + faultText.toStdString() + " (see --help)";
            return result;
        }
        options.faults.push_back(*parsed);
    }
    result.options = std::move(options);
    return result;
}

}  // namespace sim
