#pragma once
// The simulator's command line: ports, sizes, chosen answers and faults on demand.

#include <optional>
#include <string>
#include <vector>

#include "sim/report.h"

namespace sim {

enum class Endpoint { home, login, loginInfo, report, counter, notice, any };

enum class FaultKind {
    stall,        // read the request, never answer (until the simulator stops)
    reset,        // promise the whole answer, send half of it, drop the connection
    serverError,  // HTTP 500 with an error page
    garbage,      // the normal status and headers, 4096 bytes of binary noise as body
    huge,         // the normal answer followed by padding up to kHugeBodyBytes
    manyCookies,  // the normal answer plus kManyCookies Set-Cookie lines
    noToken,      // login info only: a logged-in answer without the token
    tokenLast,    // login info only: the token as the last field, no "," after it
    badUtf8,      // report only: words that are not UTF-8
};

inline constexpr long long kHugeBodyBytes = 64LL << 20;
inline constexpr int kManyCookies = 300;

// `--fault report:reset:2` hits the first two report requests; without a count, every request.
struct Fault {
    Endpoint endpoint = Endpoint::any;
    FaultKind kind = FaultKind::stall;
    int times = -1;  // -1: no limit
};

struct SimOptions {
    int port = 0;  // 0: any free port
    int records = kDefaultRecords;
    ReportLayout layout = ReportLayout::oneLine;
    bool longCookies = false;
    int latencyMs = 0;
    std::string updateUrl;                   // not empty: the notice asks for an update to it
    std::optional<std::string> counterText;  // UTF-8; served as GBK instead of the counts
    std::optional<std::string> noticeText;   // UTF-8; served as GBK instead of gx=..&tz=..&
    bool stopOnStdinEof = false;
    std::vector<Fault> faults;
};

struct ParsedOptions {
    std::optional<SimOptions> options;  // nullopt on an error and for --help
    std::string message;                // the error, or the help text for --help
    bool help = false;
};

// Parses the arguments after the program name. Needs a QCoreApplication (for the help text).
// {"--port", "0", "--fault", "report:500:1"} gives port 0 and one fault; {"--records", "5001"} an error.
ParsedOptions parseOptions(const std::vector<std::string>& arguments);

}  // namespace sim
