#include "research/shared_state.h"

#include <memory>

namespace research {
namespace {

struct Locks {
    std::recursive_mutex query;
    std::recursive_mutex filter;
    std::recursive_mutex dedupe;
    std::recursive_mutex list;
};

// Made once and never destroyed: workers may still hold a lock when the process ends.
Locks* locks = nullptr;
std::once_flag locksMade;

Locks& theLocks() {
    createLocks();
    return *locks;
}

}  // namespace

MainControls& mainControls() {
    static MainControls controls;
    return controls;
}

std::string SharedText::get() const {
    std::lock_guard lock(mutex_);
    return text_;
}

void SharedText::set(std::string text) {
    std::lock_guard lock(mutex_);
    text_ = std::move(text);
}

SharedText& sessionCookies() {
    static SharedText* text = new SharedText;
    return *text;
}

SharedText& sessionToken() {
    static SharedText* text = new SharedText;
    return *text;
}

std::string& seenKeywords() {
    static std::string* text = new std::string;
    return *text;
}

void createLocks() {
    std::call_once(locksMade, [] { locks = new Locks; });
}

std::recursive_mutex& queryLock() { return theLocks().query; }
std::recursive_mutex& filterLock() { return theLocks().filter; }
std::recursive_mutex& dedupeLock() { return theLocks().dedupe; }
std::recursive_mutex& listLock() { return theLocks().list; }

void releaseGlobalTexts() {
    sessionToken().set({});
    sessionCookies().set({});
    // A pass still running keeps its text; the process ends a moment later anyway.
    std::unique_lock lock(dedupeLock(), std::try_to_lock);
    if (lock.owns_lock()) std::string().swap(seenKeywords());
}

}  // namespace research
