#include "platform/FailPoint.h"

#include <atomic>
#include <mutex>
#include <set>
#include <string>

namespace {

std::atomic<bool> anyArmed{false};
std::mutex armedMutex;
std::set<std::string, std::less<>> armed;

}  // namespace

void ArmFailPoint(std::string_view name) {
    std::lock_guard lock(armedMutex);
    armed.emplace(name);
    anyArmed.store(true, std::memory_order_relaxed);
}

void DisarmFailPoints() {
    std::lock_guard lock(armedMutex);
    armed.clear();
    anyArmed.store(false, std::memory_order_relaxed);
}

bool FailPointHit(std::string_view name) {
    if (!anyArmed.load(std::memory_order_relaxed)) return false;
    std::lock_guard lock(armedMutex);
    const auto it = armed.find(name);
    if (it == armed.end()) return false;
    armed.erase(it);
    anyArmed.store(!armed.empty(), std::memory_order_relaxed);
    return true;
}
