#pragma once
// Named points at which a test makes one pass of an operation fail, to prove that an
// interrupted file replacement loses nothing. The program arms none: whoever checks a point
// takes its fail points by pointer, and the program gives none.

#include <mutex>
#include <set>
#include <string>
#include <string_view>

class FailPoints {
public:
    // The next Hit(name) returns true (once).
    void Arm(std::string_view name);
    bool Hit(std::string_view name);

private:
    std::mutex mutex_;
    std::set<std::string, std::less<>> armed_;
};

// Whether failPoints (null in the program) makes this pass of name fail.
inline bool FailPointHit(FailPoints* failPoints, std::string_view name) {
    return failPoints != nullptr && failPoints->Hit(name);
}
