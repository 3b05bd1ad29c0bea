#include "research/login_window.h"

namespace research {

void openLoginWindow() {}

}  // namespace research
