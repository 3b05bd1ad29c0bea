#include "research/word_list.h"

namespace research {

void dedupeWordList() {}
void filterWordList() {}
void renumberRows() {}

}  // namespace research
