#include "mib/MibFileView.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

MibFileView::MibFileView(std::size_t folders) {
    std::error_code error;
    std::string pattern = (fs::temp_directory_path(error) / "olixtrap-mibs-XXXXXX").string();
    if (error || ::mkdtemp(pattern.data()) == nullptr) return;
    root_ = pattern;
    for (std::size_t i = 0; i < folders; ++i) {
        folders_.push_back(root_ + "/" + std::to_string(i));
        if (!fs::create_directory(folders_.back(), error)) {
            fs::remove_all(root_, error);
            root_.clear();
            folders_.clear();
            return;
        }
    }
}

MibFileView::~MibFileView() {
    std::error_code ignored;
    if (Made()) fs::remove_all(root_, ignored);
}

std::string MibFileView::SearchPath() const {
    std::string path;
    for (const std::string& folder : folders_) {
        if (!path.empty()) path += ':';
        path += folder;
    }
    return path;
}

std::string MibFileView::Add(std::size_t folder, const std::string& file) {
    if (folder >= folders_.size()) return {};
    std::error_code error;
    const fs::path target = fs::absolute(file, error);
    const fs::path link = fs::path(folders_[folder]) / fs::path(file).filename();
    if (error) return {};
    fs::create_symlink(target, link, error);
    return error ? std::string() : link.string();
}
