#include "research/keyword_query.h"

namespace research {

void runKeywordQuery() {}

}  // namespace research
