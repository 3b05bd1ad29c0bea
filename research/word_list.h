#pragma once
// The word-list passes over resultList: de-duplication and the delete-word filter.

namespace research {

// Removes every row whose keyword occurs inside a keyword kept earlier in the same pass.
void dedupeWordList();
// Removes every row whose keyword contains a delete word of deleteWordsBox.
void filterWordList();
// Writes 1, 2, 3 ... into the number column.
void renumberRows();

}  // namespace research
