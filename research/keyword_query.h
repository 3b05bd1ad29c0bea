#pragma once
// The keyword query: for every keyword of keywordBox, one request to the platform's related-bid-word
// report, and one row of resultList per bid word of the answer.

namespace research {

// The body of the worker that the query button starts. Holds queryLock for its whole run.
void runKeywordQuery();

}  // namespace research
