#include "support/ArgvRecorder.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>

#include "support/Eventually.h"

namespace fs = std::filesystem;

namespace {

std::atomic<int> recorderNumber{0};

// The run number orders the files; a run renames its file into place only when complete.
constexpr const char* kScript =
    "#!/bin/sh\n"
    "dir=$(dirname \"$0\")\n"
    "n=$(ls \"$dir\"/run-*.args 2>/dev/null | wc -l)\n"
    "tmp=\"$dir/partial.$$\"\n"
    ": > \"$tmp\"\n"
    "for a do printf '%s\\0' \"$a\" >> \"$tmp\"; done\n"
    "mv \"$tmp\" \"$dir/run-$(printf %06d \"$n\")-$$.args\"\n";

}  // namespace

ArgvRecorder::ArgvRecorder() {
    folder_ = fs::temp_directory_path() / ("olixtrap-argv-" + std::to_string(getpid()) + "-" +
                                           std::to_string(recorderNumber++));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    std::ofstream(Program()) << kScript;
    fs::permissions(Program(), fs::perms::owner_all);
}

ArgvRecorder::~ArgvRecorder() {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

std::vector<std::vector<std::string>> ArgvRecorder::Runs() const {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder_))
        if (entry.path().extension() == ".args") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::vector<std::vector<std::string>> runs;
    for (const fs::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::string content((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
        std::vector<std::string> arguments;
        std::size_t start = 0;
        for (std::size_t end; (end = content.find('\0', start)) != std::string::npos;
             start = end + 1)
            arguments.push_back(content.substr(start, end - start));
        runs.push_back(std::move(arguments));
    }
    return runs;
}

std::optional<std::vector<std::string>> ArgvRecorder::WaitForArguments(
    std::size_t count, std::chrono::milliseconds timeout) const {
    std::vector<std::vector<std::string>> runs;
    const auto finished = [&] { return (runs = Runs()).size() >= count; };
    if (!Eventually(finished, timeout, std::chrono::milliseconds(20))) return std::nullopt;
    return runs.front();
}
