#include "tests/support/test_hosts.h"

namespace testing_support {

research::Hosts& testHosts() {
    static research::Hosts table;
    return table;
}

}  // namespace testing_support

namespace research {

const Hosts& hosts() { return testing_support::testHosts(); }

}  // namespace research
