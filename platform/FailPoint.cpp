#include "platform/FailPoint.h"

void FailPoints::Arm(std::string_view name) {
    std::lock_guard lock(mutex_);
    armed_.emplace(name);
}

bool FailPoints::Hit(std::string_view name) {
    std::lock_guard lock(mutex_);
    const auto it = armed_.find(name);
    if (it == armed_.end()) return false;
    armed_.erase(it);
    return true;
}
