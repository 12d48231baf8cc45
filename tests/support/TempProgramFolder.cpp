#include "support/TempProgramFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

TempProgramFolder::TempProgramFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "olixtrap-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    if (const char* home = std::getenv("OLIXTRAP_HOME")) previousHome_ = home;
    setenv("OLIXTRAP_HOME", path_.c_str(), 1);
}

TempProgramFolder::~TempProgramFolder() {
    if (previousHome_) {
        setenv("OLIXTRAP_HOME", previousHome_->c_str(), 1);
    } else {
        unsetenv("OLIXTRAP_HOME");
    }
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempProgramFolder::File(const std::string& name) const { return path_ + "/" + name; }

std::string TempProgramFolder::Read(const std::string& name) const {
    std::ifstream in(File(name), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void TempProgramFolder::Write(const std::string& name, const std::string& bytes) const {
    const std::filesystem::path file = File(name);
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
}

void TempProgramFolder::Replace(const std::string& name, const std::string& bytes) const {
    Write(name + ".new", bytes);
    std::filesystem::rename(File(name + ".new"), File(name));
}
