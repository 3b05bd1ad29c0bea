#include "app/startup_tasks.h"

namespace app {

void showUseCounts() {}
void checkUpdateNotice() {}

}  // namespace app
