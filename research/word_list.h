#pragma once
// The word-list passes over resultList: de-duplication and the delete-word filter. Each runs on a
// worker of its own and holds listLock() for its whole run, so no rows are appended or deleted by
// anyone else meanwhile; it reads the keywords in one list operation and removes its rows in one.

namespace research {

// Removes every row whose keyword occurs in the text of the keywords kept before it, each followed
// by CR LF (so a kept 连衣裙长款 removes a later 长款), then renumbers. Runs one pass at a time
// (dedupeLock) and empties seenKeywords as it begins; leaves the kept text there. The status shows
// "提示:共" rows "/去除" removed, now and then during a long pass and exactly at its end; an empty
// list writes no status.
void dedupeWordList();
// Removes every row whose keyword contains a line of deleteWordsBox (an empty line matches every
// non-empty keyword), then renumbers and shows "筛选完毕". Holds filterLock, so a second run waits;
// an edit of the box during a run applies to the rows not yet examined.
void filterWordList();
// Writes 1, 2, 3 ... into the number column.
void renumberRows();

}  // namespace research
