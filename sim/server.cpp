#include "sim/server.h"

#include <httplib.h>
#include <sys/socket.h>

#include <QStringDecoder>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <thread>
#include <utility>

#include "platform/codepage.h"
#include "sim/accounts.h"
#include "sim/hash.h"
#include "sim/pages.h"
#include "sim/report.h"

namespace sim {
namespace {

constexpr const char* kHtml = "text/html; charset=utf-8";
constexpr const char* kJson = "application/json;charset=UTF-8";
constexpr const char* kGbkHtml = "text/html; charset=gb2312";
// Stalled answers each hold a worker, so the pool is larger than the platform would need.
constexpr size_t kWorkers = 64;
constexpr size_t kGarbageBytes = 4096;
constexpr int kLongCookies = 14;  // 14 plain cookies of about 250 bytes pass 3,000 bytes of cookie text

std::string toGbk(std::string_view utf8) {
    return platform::fromUtf16(platform::toUtf16(utf8, 65001), 936);
}

bool isUtf8(std::string_view text) {
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString decoded = decoder(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    return !decoder.hasError();
}

httplib::Params queryOf(const httplib::Request& req) {
    httplib::Params params;
    size_t mark = req.target.find('?');
    if (mark != std::string::npos) httplib::detail::parse_query_text(req.target.substr(mark + 1), params);
    return params;
}

// The body's fields; none unless the body is declared a form, as the platform's form parser does.
httplib::Params formOf(const httplib::Request& req) {
    httplib::Params params;
    if (req.get_header_value("Content-Type").starts_with("application/x-www-form-urlencoded"))
        httplib::detail::parse_query_text(req.body, params);
    return params;
}

std::optional<std::string> valueOf(const httplib::Params& params, const std::string& key) {
    auto it = params.find(key);
    if (it == params.end()) return std::nullopt;
    return it->second;
}

// The value of cookie `name` in the request's Cookie lines ("a=1; b=2" or, merged, "a=1;b=2").
std::optional<std::string> cookieOf(const httplib::Request& req, std::string_view name) {
    size_t lines = req.get_header_value_count("Cookie");
    for (size_t i = 0; i < lines; ++i) {
        std::string line = req.get_header_value("Cookie", i);
        std::string_view text = line;
        while (!text.empty()) {
            size_t end = std::min(text.find(';'), text.size());
            std::string_view item = text.substr(0, end);
            text.remove_prefix(std::min(end + 1, text.size()));
            while (item.starts_with(' ')) item.remove_prefix(1);
            size_t eq = item.find('=');
            if (eq != std::string_view::npos && item.substr(0, eq) == name)
                return std::string(item.substr(eq + 1));
        }
    }
    return std::nullopt;
}

void addCookie(httplib::Response& res, std::string_view name, std::string_view value,
               std::string_view attributes) {
    std::string line(name);
    line.append("=").append(value).append("; Path=/").append(attributes);
    res.headers.emplace("Set-Cookie", line);
}

// Replaces the body by `total` bytes drawn from `source`; a source that returns false drops the
// connection at that offset.
void streamBody(httplib::Response& res, size_t total,
                std::function<bool(size_t offset, size_t length, httplib::DataSink& sink)> source) {
    std::string type = res.get_header_value("Content-Type");
    res.headers.erase("Content-Type");
    res.body.clear();
    res.set_content_provider(total, type.empty() ? "text/plain" : type, std::move(source));
}

void cutInHalf(httplib::Response& res) {
    auto body = std::make_shared<std::string>(std::move(res.body));
    size_t half = body->size() / 2;
    streamBody(res, body->size(), [body, half](size_t offset, size_t length, httplib::DataSink& sink) {
        if (offset >= half) return false;
        sink.write(body->data() + offset, std::min(length, half - offset));
        return true;
    });
}

// The answer as it is, then lines of blanks up to kHugeBodyBytes.
void padToHuge(httplib::Response& res) {
    auto body = std::make_shared<std::string>(std::move(res.body));
    static const std::string kPadding = [] {
        std::string line(1023, ' ');
        line += '\n';
        std::string block;
        while (block.size() < 64 * 1024) block += line;
        return block;
    }();
    size_t total = std::max(body->size(), static_cast<size_t>(kHugeBodyBytes));
    streamBody(res, total, [body](size_t offset, size_t length, httplib::DataSink& sink) {
        if (offset < body->size()) {
            sink.write(body->data() + offset, std::min(length, body->size() - offset));
        } else {
            size_t at = (offset - body->size()) % kPadding.size();
            sink.write(kPadding.data() + at, std::min(length, kPadding.size() - at));
        }
        return true;
    });
}

std::string garbage() {
    std::string bytes;
    for (size_t i = 0; bytes.size() < kGarbageBytes; ++i) {
        std::uint64_t word = stableHash("garbage" + std::to_string(i));
        for (int b = 0; b < 8; ++b) bytes += static_cast<char>((word >> (b * 8)) & 0xFF);
    }
    bytes[0] = '\0';  // a NUL at once, as a broken gateway might send
    return bytes;
}

}  // namespace

struct Simulator::State {
    explicit State(SimOptions o) : options(std::move(o)), seed(std::random_device{}()) {
        for (const Fault& f : options.faults) faultBudget.push_back(f.times);
    }

    SimOptions options;
    httplib::Server server;
    int port = -1;
    const std::uint64_t seed;

    std::mutex mutex;  // guards everything below, and `stopping`'s changes
    std::condition_variable stopped;
    bool stopping = false;
    std::set<std::string> sessions;
    std::uint64_t logins = 0;
    std::uint64_t answers = 0;
    std::vector<int> faultBudget;
    long long countedDay = -1;
    long long today = 0;
    long long total = 0;

    // Waits `ms` or until the simulator stops; false when it stops.
    bool pause(std::chrono::milliseconds ms) {
        std::unique_lock lock(mutex);
        return !stopped.wait_for(lock, ms, [this] { return stopping; });
    }

    void stall() {
        std::unique_lock lock(mutex);
        stopped.wait(lock, [this] { return stopping; });
    }

    std::optional<FaultKind> takeFault(Endpoint endpoint) {
        std::lock_guard lock(mutex);
        for (size_t i = 0; i < options.faults.size(); ++i) {
            const Fault& f = options.faults[i];
            if ((f.endpoint != endpoint && f.endpoint != Endpoint::any) || faultBudget[i] == 0) continue;
            if (faultBudget[i] > 0) --faultBudget[i];
            return f.kind;
        }
        return std::nullopt;
    }

    std::optional<std::string> sessionOf(const httplib::Request& req) {
        std::optional<std::string> value = cookieOf(req, kSessionCookie);
        std::lock_guard lock(mutex);
        if (!value || !sessions.contains(*value)) return std::nullopt;
        return value;
    }

    std::string newSession() {
        std::lock_guard lock(mutex);
        std::string value = hexDigits(stableHash(std::to_string(seed) + ":" + std::to_string(++logins)), 32);
        sessions.insert(value);
        return value;
    }

    std::string nextRotation() {
        std::lock_guard lock(mutex);
        return hexDigits(stableHash(std::to_string(seed) + "/isg/" + std::to_string(++answers)), 40);
    }

    std::pair<long long, long long> countVisit() {
        std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        long long day = (local.tm_year + 1900LL) * 1000 + local.tm_yday;
        std::lock_guard lock(mutex);
        if (day != countedDay) countedDay = day, today = 0;
        return {++today, ++total};
    }

    // Every route goes through here: latency, then the fault (if one applies), then the answer.
    void route(Endpoint endpoint, const httplib::Request& req, httplib::Response& res,
               const std::function<void(const httplib::Request&, httplib::Response&,
                                        std::optional<FaultKind>)>& answer) {
        if (options.latencyMs > 0 && !pause(std::chrono::milliseconds(options.latencyMs))) return;
        std::optional<FaultKind> fault = takeFault(endpoint);
        if (fault == FaultKind::stall) {
            stall();
            return;
        }
        if (fault == FaultKind::serverError) {
            res.status = 500;
            res.set_content(serverErrorPage(), kHtml);
            return;
        }
        answer(req, res, fault);
        if (fault) switch (*fault) {
                case FaultKind::reset:
                    cutInHalf(res);
                    break;
                case FaultKind::huge:
                    padToHuge(res);
                    break;
                case FaultKind::garbage:
                    res.body = garbage();
                    break;
                case FaultKind::manyCookies:
                    for (int i = 1; i <= kManyCookies; ++i)
                        addCookie(res, "mc" + std::to_string(i), hexDigits(stableHash(std::to_string(i)), 16),
                                  "");
                    break;
                default:
                    break;  // the others shape the answer itself
            }
    }

    void home(const httplib::Request& req, httplib::Response& res) {
        if (sessionOf(req))
            res.set_content(sellerPage(kDemoUser), kHtml);
        else
            res.set_content(loginPage(""), kHtml);
    }

    void login(const httplib::Request& req, httplib::Response& res) {
        httplib::Params form = formOf(req);
        if (valueOf(form, "username") != kDemoUser || valueOf(form, "password") != kDemoPassword) {
            res.set_content(loginPage("账户名或密码不正确，请重新输入。"), kHtml);
            return;
        }
        std::string session = newSession();
        std::uint64_t h = stableHash(session);
        addCookie(res, kSessionCookie, session, "; HttpOnly");
        addCookie(res, "t", hexDigits(h + 1, 32), "; Max-Age=31536000");
        addCookie(res, "_tb_token_", hexDigits(h + 2, 13), "");
        addCookie(res, "cna", hexDigits(h + 3, 24), "; Max-Age=31536000");
        addCookie(res, "lgc", httplib::detail::encode_query_param(std::string(kDemoUser)), "");
        // Kept by the browser as it is, so that whoever reads the store meets a cleared cookie.
        addCookie(res, kDeletedCookie, "deleted", "");
        addCookie(res, kSpacedCookie, "E100" + hexDigits(h + 4, 16) + " " + hexDigits(h + 5, 8), "");
        if (options.longCookies)
            for (int i = 1; i <= kLongCookies; ++i)
                addCookie(res, "lc" + std::to_string(i), hexDigits(h + 100 + static_cast<unsigned>(i), 250),
                          "");
        res.set_redirect("/");
        res.set_content("<!DOCTYPE html>\n<html><body><a href=\"/\">/</a></body></html>\n", kHtml);
    }

    void loginInfo(const httplib::Request& req, httplib::Response& res, std::optional<FaultKind> fault) {
        std::optional<std::string> session = sessionOf(req);
        if (!session) {
            res.set_content(errorJson("401", "未登录或登录已过期"), kJson);
            return;
        }
        TokenShape shape = fault == FaultKind::noToken     ? TokenShape::missing
                           : fault == FaultKind::tokenLast ? TokenShape::last
                                                           : TokenShape::followed;
        res.set_content(loginInfoJson(kDemoUser, tokenForSession(*session), shape), kJson);
    }

    void report(const httplib::Request& req, httplib::Response& res, std::optional<FaultKind> fault) {
        if (req.method != "POST") {
            res.status = 405;
            res.set_content(errorJson("405", "请求方式错误"), kJson);
            return;
        }
        std::optional<std::string> session = sessionOf(req);
        if (!session) {
            res.set_content(errorJson("401", "登录超时，请重新登录"), kJson);
            return;
        }
        httplib::Params form = formOf(req);
        std::optional<std::string> referer = valueOf(form, "_referer");
        if (valueOf(form, "sla") != "json" || valueOf(form, "isAjaxRequest") != "true" || !referer ||
            !referer->starts_with("/")) {
            res.set_content(errorJson("400", "参数错误"), kJson);
            return;
        }
        if (valueOf(form, "token") != tokenForSession(*session)) {
            res.set_content(errorJson("403", "token校验失败"), kJson);
            return;
        }
        httplib::Params query = queryOf(req);
        std::optional<std::string> keyword = valueOf(query, "bidwordstr");
        std::optional<std::string> date = valueOf(query, "theDate");
        if (!keyword || !isUtf8(*keyword)) {
            res.set_content(errorJson("400", "参数错误：bidwordstr"), kJson);
            return;
        }
        if (!date || !isReportDate(*date)) {
            res.set_content(errorJson("400", "参数错误：theDate"), kJson);
            return;
        }
        addCookie(res, kRotatedCookie, nextRotation(), "");
        std::vector<BidRecord> records = recordsFor(*keyword, *date, options.records);
        res.set_content(reportAnswer(*keyword, records, options.layout, fault == FaultKind::badUtf8), kJson);
    }

    void counter(const httplib::Request& req, httplib::Response& res) {
        httplib::Params query = queryOf(req);
        std::optional<std::string> id = valueOf(query, "id");
        if (!id || id->empty() || valueOf(query, "sx") != "1" || valueOf(query, "ys") != "43") {
            res.set_content(toGbk("document.write(\"计数器参数错误\");"), kGbkHtml);
            return;
        }
        auto [visitsToday, visitsTotal] = countVisit();
        std::string text = options.counterText.value_or(
            "document.write(\"今天访问：" + std::to_string(visitsToday) + "&nbsp;&nbsp;累计访问：" +
            std::to_string(visitsTotal) + "&nbsp;\");");
        res.set_content(toGbk(text), kGbkHtml);
    }

    void notice(httplib::Response& res) {
        std::string text = options.noticeText.value_or(
            options.updateUrl.empty() ? "gx=0&tz=http://127.0.0.1:" + std::to_string(port) + "/&"
                                      : "gx=1&tz=" + options.updateUrl + "&");
        res.set_content(toGbk(text), kGbkHtml);
    }
};

Simulator::Simulator(SimOptions options) : state_(std::make_unique<State>(std::move(options))) {
    State& s = *state_;
    s.server.new_task_queue = [] { return new httplib::ThreadPool(kWorkers); };
    // httplib's default adds SO_REUSEPORT, which lets a second simulator share the port and take half
    // of the requests; a taken port must fail the bind instead.
    s.server.set_socket_options([](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    s.server.set_logger([](const httplib::Request& req, const httplib::Response& res) {
        size_t bytes = res.body.empty() ? res.content_length_ : res.body.size();
        std::fprintf(stderr, "%s %s %d %zu\n", req.method.c_str(), req.path.c_str(), res.status, bytes);
    });
    using Req = const httplib::Request&;
    using Res = httplib::Response&;
    using Fault = std::optional<FaultKind>;
    s.server.Get("/", [&s](Req req, Res res) {
        s.route(Endpoint::home, req, res, [&s](Req q, Res r, Fault) { s.home(q, r); });
    });
    s.server.Post("/login", [&s](Req req, Res res) {
        s.route(Endpoint::login, req, res, [&s](Req q, Res r, Fault) { s.login(q, r); });
    });
    s.server.Get("/bpenv/getLoginUserInfo.htm", [&s](Req req, Res res) {
        s.route(Endpoint::loginInfo, req, res, [&s](Req q, Res r, Fault f) { s.loginInfo(q, r, f); });
    });
    auto report = [&s](Req req, Res res) {
        s.route(Endpoint::report, req, res, [&s](Req q, Res r, Fault f) { s.report(q, r, f); });
    };
    s.server.Post("/report/getRelatedBidwordList.htm", report);
    s.server.Get("/report/getRelatedBidwordList.htm", report);
    s.server.Get("/count1/count.asp", [&s](Req req, Res res) {
        s.route(Endpoint::counter, req, res, [&s](Req q, Res r, Fault) { s.counter(q, r); });
    });
    s.server.Get("/ruanjian/kz.html", [&s](Req req, Res res) {
        s.route(Endpoint::notice, req, res, [&s](Req, Res r, Fault) { s.notice(r); });
    });
}

Simulator::~Simulator() = default;

int Simulator::bind() {
    State& s = *state_;
    s.port = s.options.port == 0 ? s.server.bind_to_any_port("127.0.0.1")
                                 : (s.server.bind_to_port("127.0.0.1", s.options.port) ? s.options.port : -1);
    if (s.port <= 0) s.port = -1;
    return s.port;
}

bool Simulator::serve() {
    State& s = *state_;
    if (s.port < 0) return false;
    std::atomic<bool> returned = false;
    // httplib's stop() only acts on a running server, so the stop waits until listening has begun.
    std::thread stopper([&s, &returned] {
        s.stall();
        while (!returned && !s.server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (!returned) s.server.stop();
    });
    s.server.listen_after_bind();
    returned = true;
    stop();
    stopper.join();
    return true;
}

void Simulator::stop() {
    State& s = *state_;
    {
        std::lock_guard lock(s.mutex);
        s.stopping = true;
    }
    s.stopped.notify_all();
}

}  // namespace sim
