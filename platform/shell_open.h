#pragma once
// The shell's open action: a file with the program associated with its type, an address in the
// default browser. The result is not reported, as nobody acts on it.

#include <functional>
#include <string>
#include <string_view>

namespace platform {

// `target` is a code page 936 text: a local file path or an address such as "http://...".
void shellOpen(std::string_view target);

// Tests see what would have been opened instead of starting a program: while an observer is set,
// shellOpen hands it the target and opens nothing. An empty function restores the real action.
void setShellOpenObserver(std::function<void(const std::string&)> observer);

}  // namespace platform
