#include "sim/accounts.h"

#include "sim/hash.h"

namespace sim {

std::string tokenForSession(std::string_view sessionValue) {
    return hexDigits(stableHash(std::string("token:").append(sessionValue)), 12);
}

}  // namespace sim
