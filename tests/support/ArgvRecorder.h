#pragma once
// A program for tests of program starts: each run writes its arguments (NUL-separated)
// to a file of its own in a temporary folder, which the recorder reads back. The folder
// goes when the recorder does.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

class ArgvRecorder {
public:
    ArgvRecorder();
    ~ArgvRecorder();
    ArgvRecorder(const ArgvRecorder&) = delete;
    ArgvRecorder& operator=(const ArgvRecorder&) = delete;

    const std::filesystem::path& Folder() const { return folder_; }
    std::filesystem::path Program() const { return folder_ / "record-argv"; }

    // The arguments of every finished run so far (without the program name), oldest first.
    std::vector<std::vector<std::string>> Runs() const;

    // Waits (bounded) until count runs have finished; returns the first run's arguments.
    std::optional<std::vector<std::string>> WaitForArguments(
        std::size_t count = 1, std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

private:
    std::filesystem::path folder_;
};
