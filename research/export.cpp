#include "research/export.h"

namespace research {

void exportList(platform::ListControl*, QProgressBar*, QLabel*, platform::FileDialog*) {}

}  // namespace research
