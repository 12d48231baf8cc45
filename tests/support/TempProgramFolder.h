#pragma once
// A fresh, empty program folder for one test: a temporary directory that OLIXTRAP_HOME
// names while the object lives. The folder and everything in it are removed afterwards,
// and the previous OLIXTRAP_HOME is restored.

#include <optional>
#include <string>

class TempProgramFolder {
public:
    TempProgramFolder();
    ~TempProgramFolder();
    TempProgramFolder(const TempProgramFolder&) = delete;
    TempProgramFolder& operator=(const TempProgramFolder&) = delete;

    const std::string& Path() const { return path_; }

    // Path() + "/" + name.
    std::string File(const std::string& name) const;

    // Whole content of a file of the folder as bytes ("" when missing).
    std::string Read(const std::string& name) const;
    // Creates or replaces a file of the folder (bytes as given), creating its parent folders.
    void Write(const std::string& name, const std::string& bytes) const;
    // Writes bytes to a new file and renames it over name, as a copy or an editor's save
    // replaces a file: the name then belongs to another inode.
    void Replace(const std::string& name, const std::string& bytes) const;

private:
    std::string path_;
    std::optional<std::string> previousHome_;
};
