// The simulator's contract over real HTTP: a quorvik-sim process per case (or per suite), talked to
// with cpp-httplib's client.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>

#include <QStringDecoder>
#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "sim/accounts.h"
#include "sim/report.h"
#include "tests/support/sim_process.h"

namespace {

using testing::HasSubstr;
using testing::Not;

constexpr const char* kReportPath = "/report/getRelatedBidwordList.htm";
constexpr const char* kForm = "application/x-www-form-urlencoded";
// The referer the program sends with every report request.
constexpr const char* kReferer =
    "%2Ftools%2Finsight%2Fqueryresult%3Fkws%3D%25E7%2594%25B7%25E8%25A3%2585%26tab%3Dtabs-category%26start%"
    "3D%26end%3D";
constexpr const char* kMenswear = "%E7%94%B7%E8%A3%85";  // 男装, every byte escaped as the program does

std::string gbk(std::u16string_view text) {
    return platform::fromUtf16(text, 936);
}

bool isUtf8(const std::string& text) {
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString decoded = decoder(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    return !decoder.hasError();
}

// What the program makes of the word key: occurrences of word":" in any ASCII case.
size_t wordKeys(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    size_t n = 0;
    for (size_t at = text.find("word\":\""); at != std::string::npos; at = text.find("word\":\"", at + 1))
        ++n;
    return n;
}

std::vector<std::string> setCookies(const httplib::Result& res) {
    std::vector<std::string> lines;
    auto [first, last] = res->headers.equal_range("Set-Cookie");
    for (auto it = first; it != last; ++it) lines.push_back(it->second);
    return lines;
}

std::string firstPair(const std::string& line) {
    return line.substr(0, line.find(';'));
}

// The cookie text a browser would send back: the first pair of every Set-Cookie line.
std::string cookieText(const std::vector<std::string>& lines, bool withHttpOnly = true) {
    std::string text;
    for (const std::string& line : lines) {
        if (!withHttpOnly && line.find("; HttpOnly") != std::string::npos) continue;
        if (!text.empty()) text += "; ";
        text += firstPair(line);
    }
    return text;
}

std::string valueIn(const std::string& cookies, const std::string& name) {
    size_t at = cookies.find(name + "=");
    if (at == std::string::npos) return "";
    at += name.size() + 1;
    return cookies.substr(at, cookies.find(';', at) - at);
}

struct Session {
    std::string cookies;
    std::string token;
};

httplib::Result logIn(httplib::Client& client, const std::string& user, const std::string& password) {
    httplib::Params form{{"username", user}, {"password", password}};
    return client.Post("/login", {}, httplib::detail::params_to_query_str(form), kForm);
}

// Logs in with the demo account, as the browser and then the program do.
Session openSession(httplib::Client& client) {
    httplib::Result login = logIn(client, std::string(sim::kDemoUser), std::string(sim::kDemoPassword));
    if (!login) return {};
    Session session{cookieText(setCookies(login)), ""};
    session.token = sim::tokenForSession(valueIn(session.cookies, std::string(sim::kSessionCookie)));
    return session;
}

std::string reportBody(const std::string& token) {
    return "sla=json&isAjaxRequest=true&token=" + token + "&_referer=" + kReferer;
}

httplib::Result postReport(httplib::Client& client, const Session& session, const std::string& keyword,
                           const std::string& date) {
    std::string path = std::string(kReportPath) + "?bidwordstr=" + keyword + "&theDate=" + date;
    return client.Post(path, {{"Cookie", session.cookies}}, reportBody(session.token), kForm);
}

// The answer as the program reads it: percent escapes decoded, the keyword marks taken out.
std::vector<std::string> wordsIn(const std::string& answer) {
    std::string decoded = httplib::detail::decode_url(answer, false);
    std::vector<std::string> words;
    for (size_t at = decoded.find("\"word\":\""); at != std::string::npos;
         at = decoded.find("\"word\":\"", at)) {
        at += 8;
        std::string word = decoded.substr(at, decoded.find("\",", at) - at);
        for (const std::string mark : {"<b>", "<\\/b>"})
            for (size_t m = word.find(mark); m != std::string::npos; m = word.find(mark))
                word.erase(m, mark.size());
        words.push_back(word);
    }
    return words;
}

class SimulatorTest : public testing::Test {
  protected:
    static void SetUpTestSuite() { sim_ = new testing_support::SimProcess({"--records", "20"}); }
    static void TearDownTestSuite() {
        delete sim_;
        sim_ = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(sim_->running()) << "QUORVIK_SIM=" << std::getenv("QUORVIK_SIM"); }

    httplib::Client client() const { return httplib::Client("127.0.0.1", sim_->port()); }

    static testing_support::SimProcess* sim_;
};

testing_support::SimProcess* SimulatorTest::sim_ = nullptr;

TEST_F(SimulatorTest, HomeWithoutSessionIsTheChineseLoginForm) {
    httplib::Client c = client();
    httplib::Result res = c.Get("/");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    for (const char* part : {"<meta charset=\"utf-8\">", "id=\"loginForm\"", "id=\"username\"",
                             "id=\"password\"", "id=\"submit\"", "演示卖家", "demo123", "登录"})
        EXPECT_THAT(res->body, HasSubstr(part));
    EXPECT_THAT(res->body, Not(HasSubstr("loginError")));
}

TEST_F(SimulatorTest, WrongAccountShowsTheFormAgainWithAnError) {
    httplib::Client c = client();
    for (auto [user, password] :
         {std::pair{"演示卖家", "wrong"}, std::pair{"someone", "demo123"}, std::pair{"", ""}}) {
        httplib::Result res = logIn(c, user, password);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 200);
        EXPECT_THAT(res->body, HasSubstr("id=\"loginError\""));
        EXPECT_THAT(res->body, HasSubstr("id=\"loginForm\""));
        EXPECT_TRUE(setCookies(res).empty());
    }
}

TEST_F(SimulatorTest, LoginRedirectsHomeWithTheSessionCookies) {
    httplib::Client c = client();
    httplib::Result res = logIn(c, "演示卖家", "demo123");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 302);
    EXPECT_EQ(res->get_header_value("Location"), "/");
    std::vector<std::string> lines = setCookies(res);
    auto named = [&](std::string_view name) {
        auto it = std::find_if(lines.begin(), lines.end(),
                               [&](const std::string& l) { return l.starts_with(std::string(name) + "="); });
        return it == lines.end() ? std::string() : *it;
    };
    EXPECT_THAT(named(sim::kSessionCookie), testing::MatchesRegex("cookie2=[0-9a-f]{32}; Path=/; HttpOnly"));
    EXPECT_EQ(firstPair(named(sim::kDeletedCookie)), "unb=deleted");
    EXPECT_THAT(firstPair(named(sim::kSpacedCookie)),
                testing::MatchesRegex("sgcookie=[0-9a-zA-Z]+ [0-9a-z]+"));
    size_t plain = std::count_if(lines.begin(), lines.end(), [](const std::string& l) {
        return l.find("HttpOnly") == std::string::npos;
    });
    EXPECT_GE(plain, 5u);
    EXPECT_LT(cookieText(lines).size(), 2999u);  // fits the program's cookie buffer without --long-cookies

    httplib::Result home = c.Get("/", {{"Cookie", cookieText(lines)}});
    ASSERT_TRUE(home);
    EXPECT_THAT(home->body, HasSubstr("<span id=\"sellerName\">演示卖家</span>"));
    EXPECT_THAT(home->body, Not(HasSubstr("loginForm")));
}

TEST_F(SimulatorTest, EveryLoginIsANewSession) {
    httplib::Client c = client();
    Session a = openSession(c), b = openSession(c);
    EXPECT_NE(valueIn(a.cookies, "cookie2"), valueIn(b.cookies, "cookie2"));
    EXPECT_NE(a.token, b.token);
}

TEST_F(SimulatorTest, LoginInfoGivesTheTokenOnlyForAKnownSession) {
    httplib::Client c = client();
    Session session = openSession(c);
    // The program reads the cookies with their blanks removed; the session must survive that.
    std::string merged = session.cookies;
    merged.erase(std::remove(merged.begin(), merged.end(), ' '), merged.end());
    struct Case {
        const char* name;
        std::string cookies;
        bool token;
    } cases[] = {
        {"as the browser sends them", session.cookies, true},
        {"without blanks", merged, true},
        {"the session cookie alone", "cookie2=" + valueIn(session.cookies, "cookie2"), true},
        {"no cookies", "", false},
        {"an unknown session", "cookie2=0123456789abcdef0123456789abcdef; t=1", false},
        {"other cookies only", "t=1; cna=2", false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        httplib::Headers headers;
        if (!k.cookies.empty()) headers.emplace("Cookie", k.cookies);
        httplib::Result res = c.Get("/bpenv/getLoginUserInfo.htm", headers);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 200);
        if (k.token) {
            EXPECT_THAT(res->body, HasSubstr("\"token\":\"" + session.token + "\",\""));
        } else {
            EXPECT_THAT(res->body, Not(HasSubstr("token")));
            EXPECT_THAT(res->body, HasSubstr("\"code\":\"401\""));
        }
    }
}

TEST_F(SimulatorTest, ReportAnswersDeterministicallyAndRotatesACookie) {
    httplib::Client c = client();
    Session session = openSession(c);
    httplib::Result first = postReport(c, session, kMenswear, "2024-3-9");
    httplib::Result second = postReport(c, session, kMenswear, "2024-3-9");
    ASSERT_TRUE(first);
    ASSERT_TRUE(second);
    EXPECT_EQ(first->status, 200);
    EXPECT_EQ(first->body, second->body);
    std::vector<sim::BidRecord> records = sim::recordsFor("男装", "2024-3-9", 20);
    EXPECT_EQ(first->body, sim::reportAnswer("男装", records, sim::ReportLayout::oneLine));
    EXPECT_EQ(wordKeys(first->body), 20u);
    for (const char* key : {"\"impression\":\"", "\"click\":\"", "\"ctr\":\"", "\"cvr\":\"",
                            "\"avgPrice\":\"", "\"competition\":\""})
        EXPECT_THAT(first->body, HasSubstr(key));
    EXPECT_THAT(first->body, HasSubstr("\"word\":\"<b>男装<\\/b>\","));
    EXPECT_THAT(first->body, HasSubstr("<b>%E7%94%B7%E8%A3%85<\\/b>"));

    std::vector<std::string> a = setCookies(first), b = setCookies(second);
    ASSERT_EQ(a.size(), 1u);
    ASSERT_EQ(b.size(), 1u);
    EXPECT_TRUE(a[0].starts_with("isg="));
    EXPECT_NE(firstPair(a[0]), firstPair(b[0]));
    // A merged cookie text with the rotated value still carries the session.
    Session rotated{firstPair(a[0]) + "; " + session.cookies, session.token};
    EXPECT_EQ(wordKeys(postReport(c, rotated, kMenswear, "2024-3-9")->body), 20u);
}

TEST_F(SimulatorTest, ReportWithoutRelatedWordsIsAnEmptyList) {
    httplib::Client c = client();
    Session session = openSession(c);
    for (const char* keyword : {"", "%E6%97%A0%E7%BB%93%E6%9E%9C%61"}) {  // "" and 无结果a
        httplib::Result res = postReport(c, session, keyword, "2024-3-9");
        ASSERT_TRUE(res);
        EXPECT_EQ(res->body, "{\"code\":\"200\",\"msg\":\"\",\"result\":[]}");
        EXPECT_EQ(setCookies(res).size(), 1u);
    }
}

TEST_F(SimulatorTest, ReportRefusesAnInvalidRequestWithoutAnyWordKey) {
    httplib::Client c = client();
    Session session = openSession(c);
    std::string query = std::string("?bidwordstr=") + kMenswear + "&theDate=2024-3-9";
    std::string good = reportBody(session.token);
    struct Case {
        const char* name;
        std::string method;
        std::string cookies;
        std::string query;
        std::string body;
        std::string contentType;
        const char* code;
    } cases[] = {
        {"GET", "GET", session.cookies, query, "", kForm, "405"},
        {"no cookies", "POST", "", query, good, kForm, "401"},
        {"unknown session", "POST", "cookie2=00000000000000000000000000000000", query, good, kForm, "401"},
        {"wrong token", "POST", session.cookies, query, reportBody("abc"), kForm, "403"},
        {"empty token", "POST", session.cookies, query, reportBody(""), kForm, "403"},
        {"another session's token", "POST", session.cookies, query, reportBody(openSession(c).token), kForm,
         "403"},
        {"no sla", "POST", session.cookies, query, good.substr(good.find('&') + 1), kForm, "400"},
        {"sla=html", "POST", session.cookies, query, "sla=html" + good.substr(good.find('&')), kForm, "400"},
        {"no isAjaxRequest", "POST", session.cookies, query,
         "sla=json&token=" + session.token + "&_referer=" + kReferer, kForm, "400"},
        {"no _referer", "POST", session.cookies, query, "sla=json&isAjaxRequest=true&token=" + session.token,
         kForm, "400"},
        {"form fields in the query", "POST", session.cookies, query + "&" + good, "", kForm, "400"},
        {"body not declared a form", "POST", session.cookies, query, good, "text/plain", "400"},
        {"no theDate", "POST", session.cookies, std::string("?bidwordstr=") + kMenswear, good, kForm, "400"},
        {"empty theDate", "POST", session.cookies, query.substr(0, query.size() - 8), good, kForm, "400"},
        {"leading zeros", "POST", session.cookies,
         std::string("?bidwordstr=") + kMenswear + "&theDate=2024-03-09", good, kForm, "400"},
        {"no such day", "POST", session.cookies,
         std::string("?bidwordstr=") + kMenswear + "&theDate=2017-2-29", good, kForm, "400"},
        {"no bidwordstr", "POST", session.cookies, "?theDate=2024-3-9", good, kForm, "400"},
        {"keyword not UTF-8 (GBK 你)", "POST", session.cookies, "?bidwordstr=%C4%E3&theDate=2024-3-9", good,
         kForm, "400"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        httplib::Headers headers;
        if (!k.cookies.empty()) headers.emplace("Cookie", k.cookies);
        std::string path = kReportPath + k.query;
        httplib::Result res =
            k.method == "GET" ? c.Get(path, headers) : c.Post(path, headers, k.body, k.contentType);
        ASSERT_TRUE(res);
        EXPECT_EQ(wordKeys(res->body), 0u) << res->body;
        EXPECT_THAT(res->body, HasSubstr(std::string("\"code\":\"") + k.code + "\""));
        EXPECT_TRUE(setCookies(res).empty());
    }
}

TEST_F(SimulatorTest, CounterCountsItsOwnRequestsInGbk) {
    httplib::Client c = client();
    auto counts = [&](const std::string& query) {
        httplib::Result res = c.Get("/count1/count.asp" + query);
        return res ? res->body : std::string("no answer");
    };
    std::string good = "?id=demo&sx=1&ys=43";
    std::string first = counts(good);
    // Requests that are not the program's are not counted.
    for (const char* bad : {"", "?id=&sx=1&ys=43", "?id=demo&sx=2&ys=43", "?id=demo&sx=1"})
        EXPECT_THAT(counts(bad), Not(HasSubstr(gbk(u"访问："))));
    std::string second = counts(good);
    auto between = [](const std::string& text, const std::string& left) {
        size_t at = text.find(left);
        if (at == std::string::npos) return -1;
        at += left.size();
        return std::atoi(text.substr(at, text.find('&', at) - at).c_str());
    };
    std::string today = gbk(u"今天访问："), total = gbk(u"累计访问：");
    ASSERT_GT(between(first, today), 0) << first;
    EXPECT_EQ(between(second, today), between(first, today) + 1);
    EXPECT_EQ(between(second, total), between(first, total) + 1);
    EXPECT_FALSE(isUtf8(second));  // GBK, not UTF-8
}

TEST_F(SimulatorTest, NoticeSaysNoUpdateByDefault) {
    httplib::Client c = client();
    httplib::Result res = c.Get("/ruanjian/kz.html");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body, "gx=0&tz=http://" + sim_->host() + "/&");
}

TEST_F(SimulatorTest, UnknownPathsAreNotFound) {
    httplib::Client c = client();
    httplib::Result res = c.Get("/nothing-here");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 404);
}

// The options that change an answer: each starts its own simulator.
TEST(SimulatorOptions, ChosenAnswersAndLayouts) {
    {
        testing_support::SimProcess sim({"--counter-text", "今天访问：12&累计访问：3456&"});
        httplib::Client c("127.0.0.1", sim.port());
        httplib::Result res = c.Get("/count1/count.asp?id=demo&sx=1&ys=43");
        ASSERT_TRUE(res);
        EXPECT_EQ(res->body, gbk(u"今天访问：12&累计访问：3456&"));
    }
    {
        testing_support::SimProcess sim({"--update-url", "http://example.invalid/new.exe"});
        httplib::Client c("127.0.0.1", sim.port());
        EXPECT_EQ(c.Get("/ruanjian/kz.html")->body, "gx=1&tz=http://example.invalid/new.exe&");
    }
    {
        testing_support::SimProcess sim({"--notice-text", "GX=1&tz=地址&"});
        httplib::Client c("127.0.0.1", sim.port());
        EXPECT_EQ(c.Get("/ruanjian/kz.html")->body, gbk(u"GX=1&tz=地址&"));
    }
    {
        testing_support::SimProcess sim({"--records", "7", "--record-lines"});
        httplib::Client c("127.0.0.1", sim.port());
        Session session = openSession(c);
        httplib::Result res = postReport(c, session, kMenswear, "2024-3-9");
        ASSERT_TRUE(res);
        EXPECT_EQ(res->body, sim::reportAnswer("男装", sim::recordsFor("男装", "2024-3-9", 7),
                                               sim::ReportLayout::linePerRecord));
        EXPECT_EQ(std::count(res->body.begin(), res->body.end(), '\n'), 8);
    }
    {
        testing_support::SimProcess sim({"--long-cookies"});
        httplib::Client c("127.0.0.1", sim.port());
        httplib::Result res = logIn(c, "演示卖家", "demo123");
        ASSERT_TRUE(res);
        // Even without the HttpOnly cookie the browser's text no longer fits 3,000 bytes.
        EXPECT_GT(cookieText(setCookies(res), false).size(), 3000u);
    }
    {
        testing_support::SimProcess sim({"--latency-ms", "50"});
        httplib::Client c("127.0.0.1", sim.port());
        httplib::Result res = c.Get("/ruanjian/kz.html");
        ASSERT_TRUE(res);
        EXPECT_THAT(res->body, testing::StartsWith("gx=0&"));
    }
}

TEST(SimulatorOptions, RefusedOptionsStartNothing) {
    for (std::vector<std::string> args :
         std::vector<std::vector<std::string>>{{"--records", "5001"},
                                               {"--fault", "report:no-token"},
                                               {"--fault", "info:bad-utf8"},
                                               {"--fault", "nowhere:500"},
                                               {"--fault", "report:500:0"},
                                               {"--update-url", "http://a/?x=1&y=2"},
                                               {"stray"}}) {
        testing_support::SimProcess sim(args);
        EXPECT_FALSE(sim.running()) << args[0] << " " << args.back();
        EXPECT_EQ(sim.port(), 0);
    }
}

// The faults on demand, each against its own simulator.
struct FaultCase {
    const char* name;
    std::vector<std::string> args;
    // Sends the request(s) and checks what came back.
    void (*check)(httplib::Client& client);
};

class SimulatorFaultTest : public testing::TestWithParam<FaultCase> {};

TEST_P(SimulatorFaultTest, DoesWhatItSays) {
    testing_support::SimProcess sim(GetParam().args);
    ASSERT_TRUE(sim.running());
    httplib::Client client("127.0.0.1", sim.port());
    GetParam().check(client);
    EXPECT_TRUE(sim.running());
}

const FaultCase kFaults[] = {
    {"StallNeverAnswers",
     {"--fault", "home:stall"},
     [](httplib::Client& c) {
         c.set_read_timeout(1, 0);  // the stall never ends, so any limit shows it
         httplib::Result res = c.Get("/");
         EXPECT_FALSE(res);
         EXPECT_EQ(res.error(), httplib::Error::Read);
         EXPECT_TRUE(c.Get("/ruanjian/kz.html"));  // other endpoints answer all the same
     }},
    {"ResetCutsTheBodyShort",
     {"--fault", "report:reset"},
     [](httplib::Client& c) {
         Session session = openSession(c);
         httplib::Result res = postReport(c, session, kMenswear, "2024-3-9");
         EXPECT_FALSE(res);
         EXPECT_EQ(res.error(), httplib::Error::Read);
     }},
    {"ServerErrorIsA500Page",
     {"--fault", "report:500"},
     [](httplib::Client& c) {
         Session session = openSession(c);
         httplib::Result res = postReport(c, session, kMenswear, "2024-3-9");
         ASSERT_TRUE(res);
         EXPECT_EQ(res->status, 500);
         EXPECT_EQ(wordKeys(res->body), 0u);
         EXPECT_THAT(res->body, HasSubstr("500"));
     }},
    {"CountLimitsTheFault",
     {"--fault", "counter:500:2"},
     [](httplib::Client& c) {
         for (int expected : {500, 500, 200, 200})
             EXPECT_EQ(c.Get("/count1/count.asp?id=d&sx=1&ys=43")->status, expected);
     }},
    {"FirstMatchingFaultWins",
     {"--fault", "notice:500:1", "--fault", "all:garbage:1"},
     [](httplib::Client& c) {
         EXPECT_EQ(c.Get("/ruanjian/kz.html")->status, 500);
         EXPECT_EQ(c.Get("/ruanjian/kz.html")->body.size(), 4096u);
         EXPECT_THAT(c.Get("/ruanjian/kz.html")->body, testing::StartsWith("gx=0&"));
     }},
    {"GarbageIsBinaryNoise",
     {"--fault", "all:garbage"},
     [](httplib::Client& c) {
         httplib::Result res = c.Get("/");
         ASSERT_TRUE(res);
         EXPECT_EQ(res->status, 200);
         EXPECT_EQ(res->body.size(), 4096u);
         EXPECT_EQ(res->body[0], '\0');
         EXPECT_FALSE(isUtf8(res->body));
         EXPECT_THAT(res->body, Not(HasSubstr("loginForm")));
     }},
    {"HugeIsTheAnswerPadded",
     {"--fault", "notice:huge"},
     [](httplib::Client& c) {
         httplib::Result res = c.Get("/ruanjian/kz.html");
         ASSERT_TRUE(res);
         EXPECT_EQ(static_cast<long long>(res->body.size()), 64LL << 20);
         EXPECT_THAT(res->body, testing::StartsWith("gx=0&tz="));
     }},
    {"ManyCookies",
     {"--fault", "report:many-cookies"},
     [](httplib::Client& c) {
         Session session = openSession(c);
         httplib::Result res = postReport(c, session, kMenswear, "2024-3-9");
         ASSERT_TRUE(res);
         EXPECT_EQ(setCookies(res).size(), 301u);  // the rotated one and 300 more
         EXPECT_EQ(wordKeys(res->body), 200u);
     }},
    {"NoToken",
     {"--fault", "info:no-token"},
     [](httplib::Client& c) {
         Session session = openSession(c);
         httplib::Result res = c.Get("/bpenv/getLoginUserInfo.htm", {{"Cookie", session.cookies}});
         ASSERT_TRUE(res);
         EXPECT_THAT(res->body, HasSubstr("\"code\":\"200\""));
         EXPECT_THAT(res->body, Not(HasSubstr("token")));
     }},
    {"TokenLast",
     {"--fault", "info:token-last"},
     [](httplib::Client& c) {
         Session session = openSession(c);
         httplib::Result res = c.Get("/bpenv/getLoginUserInfo.htm", {{"Cookie", session.cookies}});
         ASSERT_TRUE(res);
         std::string tail = "\"token\":\"" + session.token + "\"}}";
         EXPECT_TRUE(res->body.ends_with(tail)) << res->body;
         EXPECT_EQ(res->body.find("\",\"", res->body.find("token")), std::string::npos);
     }},
    {"BadUtf8Words",
     {"--fault", "report:bad-utf8"},
     [](httplib::Client& c) {
         Session session = openSession(c);
         httplib::Result res = postReport(c, session, kMenswear, "2024-3-9");
         ASSERT_TRUE(res);
         EXPECT_EQ(wordKeys(res->body), 200u);
         EXPECT_FALSE(isUtf8(res->body));
         EXPECT_FALSE(isUtf8(httplib::detail::decode_url(res->body, false)));
     }},
};

INSTANTIATE_TEST_SUITE_P(Faults, SimulatorFaultTest, testing::ValuesIn(kFaults),
                         [](const testing::TestParamInfo<FaultCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(SimulatorOptions, ATakenPortIsRefused) {
    testing_support::SimProcess first;
    ASSERT_TRUE(first.running());
    testing_support::SimProcess second({"--port", std::to_string(first.port())});  // the last --port wins
    EXPECT_FALSE(second.running());
    EXPECT_TRUE(httplib::Client("127.0.0.1", first.port()).Get("/ruanjian/kz.html"));
}

TEST(SimProcess, WithoutTheProgramNothingRuns) {
    std::string saved = std::getenv("QUORVIK_SIM") ? std::getenv("QUORVIK_SIM") : "";
    setenv("QUORVIK_SIM", "/nonexistent/quorvik-sim", 1);
    {
        testing_support::SimProcess sim;
        EXPECT_FALSE(sim.running());
        EXPECT_EQ(sim.port(), 0);
    }
    setenv("QUORVIK_SIM", saved.c_str(), 1);
}

// The record generator that tests of the query compare against.
TEST(RecordsFor, SameKeywordAndDayGiveTheSameRecords) {
    EXPECT_EQ(sim::recordsFor("男装", "2024-3-9", 50), sim::recordsFor("男装", "2024-3-9", 50));
    std::vector<sim::BidRecord> other = sim::recordsFor("男装", "2024-3-10", 50);
    std::vector<sim::BidRecord> same = sim::recordsFor("男装", "2024-3-9", 50);
    for (size_t i = 0; i < other.size(); ++i)
        EXPECT_EQ(other[i].word, same[i].word);  // words stay, figures move
    EXPECT_NE(other, same);
    // A shorter list is the start of a longer one.
    std::vector<sim::BidRecord> head = sim::recordsFor("男装", "2024-3-9", 10);
    EXPECT_TRUE(std::equal(head.begin(), head.end(), same.begin()));
}

TEST(RecordsFor, CountsAndKeywordsWithoutWords) {
    struct Case {
        std::string keyword;
        int count;
        size_t expected;
    } cases[] = {
        {"男装", 0, 0},       {"男装", 1, 1},        {"男装", 200, 200},     {"男装", 5000, 5000},
        {"男装", 9999, 5000}, {"男装", -1, 0},       {"ab", 3, 3},           {"", 10, 0},
        {"无结果", 10, 0},    {"无结果男装", 10, 0}, {"男装无结果", 10, 10},
    };
    for (const Case& k : cases)
        EXPECT_EQ(sim::recordsFor(k.keyword, "2024-3-9", k.count).size(), k.expected) << k.keyword;
}

TEST(RecordsFor, WordsAreDistinctAndHoldTheKeywordFiguresArePlausible) {
    std::vector<sim::BidRecord> records = sim::recordsFor("男装", "2024-3-9", 5000);
    EXPECT_EQ(records[0].word, "男装");
    std::set<std::string> words;
    for (const sim::BidRecord& r : records) {
        words.insert(r.word);
        EXPECT_THAT(r.word, HasSubstr("男装"));
        long long impression = std::atoll(r.impression.c_str()), click = std::atoll(r.click.c_str());
        int ctr = std::atoi(r.ctr.c_str()), cvr = std::atoi(r.cvr.c_str()),
            price = std::atoi(r.avgPrice.c_str()), competition = std::atoi(r.competition.c_str());
        EXPECT_GE(impression, 5);
        EXPECT_LE(click, impression);
        EXPECT_TRUE(ctr >= 30 && ctr < 1500) << r.ctr;
        EXPECT_TRUE(cvr >= 0 && cvr < 1200) << r.cvr;
        EXPECT_TRUE(price >= 15 && price <= 800) << r.avgPrice;
        EXPECT_TRUE(competition >= 1 && competition <= 3000) << r.competition;
        for (const std::string* figure :
             {&r.impression, &r.click, &r.ctr, &r.cvr, &r.avgPrice, &r.competition})
            EXPECT_THAT(*figure, testing::MatchesRegex("0|[1-9][0-9]*"));
    }
    EXPECT_EQ(words.size(), records.size());
}

TEST(ReportAnswer, DecodesToTheRecordsWords) {
    for (const std::string keyword : {"男装", "ab", "a/b", "100%棉"}) {
        SCOPED_TRACE(keyword);
        std::vector<sim::BidRecord> records = sim::recordsFor(keyword, "2024-3-9", 30);
        std::string answer = sim::reportAnswer(keyword, records, sim::ReportLayout::oneLine);
        EXPECT_EQ(std::count(answer.begin(), answer.end(), '\n'), 0);
        std::vector<std::string> words = wordsIn(answer), expected;
        for (const sim::BidRecord& r : records) {
            std::string w = r.word;
            for (size_t at = w.find('/'); at != std::string::npos; at = w.find('/', at + 2))
                w.insert(at, "\\");
            expected.push_back(w);  // JSON's escaped slash is all the program keeps of the escaping
        }
        EXPECT_EQ(words, expected);
    }
}

TEST(ReportAnswer, EscapesEveryOtherWordAndMarksTheKeyword) {
    std::vector<sim::BidRecord> records = sim::recordsFor("男装", "2024-3-9", 4);
    std::string answer = sim::reportAnswer("男装", records, sim::ReportLayout::oneLine);
    EXPECT_TRUE(answer.starts_with(
        "{\"code\":\"200\",\"msg\":\"\",\"result\":[{\"word\":\"<b>男装<\\/b>\",\"impression\":\"" +
        records[0].impression + "\",\"click\":\"" + records[0].click + "\",\"ctr\":\"" + records[0].ctr +
        "\",\"cvr\":\"" + records[0].cvr + "\",\"avgPrice\":\"" + records[0].avgPrice +
        "\",\"competition\":\"" + records[0].competition + "\"},"))
        << answer;
    EXPECT_EQ(wordKeys(answer), 4u);
    size_t second = answer.find("\"word\":\"", answer.find("},"));
    std::string secondWord = answer.substr(second + 8, answer.find("\",", second + 8) - second - 8);
    EXPECT_THAT(secondWord, HasSubstr("<b>%E7%94%B7%E8%A3%85<\\/b>"));
    EXPECT_TRUE(
        std::all_of(secondWord.begin(), secondWord.end(), [](unsigned char ch) { return ch < 0x80; }));
    EXPECT_TRUE(answer.ends_with("\"}]}"));
}

TEST(IsReportDate, YearMonthDayWithoutLeadingZeros) {
    struct Case {
        const char* date;
        bool valid;
    } cases[] = {
        {"2017-4-9", true},    {"2016-2-29", true},  {"2016-12-30", true}, {"2024-12-31", true},
        {"2000-2-29", true},   {"2017-2-29", false}, {"1900-2-29", false}, {"2024-03-09", false},
        {"2024-3-09", false},  {"2024-13-1", false}, {"2024-0-1", false},  {"2024-4-31", false},
        {"2024-3-9 ", false},  {" 2024-3-9", false}, {"2024/3/9", false},  {"2024-3", false},
        {"2024-3-9-1", false}, {"", false},          {"24-3-9", false},    {"+2024-3-9", false},
    };
    for (const Case& k : cases) EXPECT_EQ(sim::isReportDate(k.date), k.valid) << k.date;
}

}  // namespace
