#pragma once
// Tests point the program's hosts wherever they like (the simulator on its port, a closed port).

#include "research/hosts.h"

namespace testing_support {

research::Hosts& testHosts();

}  // namespace testing_support
