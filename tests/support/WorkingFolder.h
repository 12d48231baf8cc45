#pragma once
// Changes the process's working folder for the object's lifetime.

#include <filesystem>
#include <string>

class WorkingFolder {
public:
    explicit WorkingFolder(const std::string& path) : saved_(std::filesystem::current_path()) {
        std::filesystem::create_directories(path);
        std::filesystem::current_path(path);
    }
    ~WorkingFolder() { std::filesystem::current_path(saved_); }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

private:
    std::filesystem::path saved_;
};
