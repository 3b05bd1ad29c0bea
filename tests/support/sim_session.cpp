#include "tests/support/sim_session.h"

#include <httplib.h>

#include "research/shared_state.h"
#include "sim/accounts.h"
#include "web/text.h"

namespace testing_support {

bool logInOverHttp(const SimProcess& sim) {
    httplib::Client client("127.0.0.1", sim.port());
    auto login = client.Post("/login", httplib::Params{{"username", std::string(sim::kDemoUser)},
                                                       {"password", std::string(sim::kDemoPassword)}});
    if (!login) return false;
    std::string cookies;
    for (const auto& [name, value] : login->headers) {
        if (name != "Set-Cookie") continue;
        if (!cookies.empty()) cookies += "; ";
        cookies += value.substr(0, value.find(';'));
    }
    auto info = client.Get("/bpenv/getLoginUserInfo.htm", {{"Cookie", cookies}});
    if (!info) return false;
    research::sessionCookies().set(cookies);
    research::sessionToken().set(web::textBetween(info->body, "token\":\"", "\",\""));
    return !research::sessionToken().get().empty();
}

}  // namespace testing_support
