#pragma once
// A stand-in for the wave player, first in PATH while the object lives: it records its
// arguments and plays until Finish() (or at most ten seconds).

#include <filesystem>
#include <string>

class FakeSoundPlayer {
public:
    FakeSoundPlayer();
    ~FakeSoundPlayer();
    FakeSoundPlayer(const FakeSoundPlayer&) = delete;
    FakeSoundPlayer& operator=(const FakeSoundPlayer&) = delete;

    void Finish() const;
    // Every run's arguments, each followed by '|'.
    std::string Calls() const;

private:
    std::filesystem::path folder_;
    std::string savedPath_;
};
