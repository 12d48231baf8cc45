#include "support/FakeSoundPlayer.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "support/Eventually.h"

namespace fs = std::filesystem;

namespace {
std::atomic<int> playerNumber{0};
}

FakeSoundPlayer::FakeSoundPlayer()
    : folder_(fs::temp_directory_path() / ("olixtrap-aplay-" + std::to_string(getpid()) + "-" +
                                           std::to_string(playerNumber++))) {
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    std::ofstream(folder_ / "aplay") << "#!/bin/sh\n"
                                        "dir=$(dirname \"$0\")\n"
                                        "printf . >> \"$dir/started\"\n"
                                        "printf '%s|' \"$@\" >> \"$dir/calls\"\n"
                                        "i=0; while [ ! -e \"$dir/finish\" ] && [ $i -lt 200 ]; "
                                        "do sleep 0.05; i=$((i+1)); done\n"
                                        "printf . >> \"$dir/ended\"\n";
    fs::permissions(folder_ / "aplay", fs::perms::owner_all);
    const char* path = std::getenv("PATH");
    savedPath_ = path ? path : "";
    setenv("PATH", (folder_.string() + ":" + savedPath_).c_str(), 1);
}

FakeSoundPlayer::~FakeSoundPlayer() {
    setenv("PATH", savedPath_.c_str(), 1);
    Finish();
    // Lets the running players see the file and end before their folder goes.
    const auto marks = [this](const char* name) {
        std::error_code missing;
        const auto size = fs::file_size(folder_ / name, missing);
        return missing ? 0 : size;
    };
    Eventually([&] { return marks("ended") == marks("started"); }, std::chrono::seconds(2));
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

void FakeSoundPlayer::Finish() const { std::ofstream(folder_ / "finish") << ""; }

std::string FakeSoundPlayer::Calls() const {
    std::ifstream in(folder_ / "calls");
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
