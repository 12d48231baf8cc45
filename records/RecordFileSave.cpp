#include "records/RecordFileSave.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/FailPoint.h"
#include "platform/MessageBox.h"
#include "records/DBLib.h"

namespace {

int CannotSave(MessageBoxPort& boxes, const std::string& path) {
    PostMessageBox(boxes, path + " に書き込めないため保存できません。", MessageIcon::Stop);
    return 1;
}

}  // namespace

int ReadStoredLines(std::string_view folder, std::string_view fileName,
                    std::vector<std::string>& lines, const RecordFileServices& services) {
    lines.clear();
    std::FILE* stream = DBLib::OpenForReading(folder, fileName);
    if (stream == nullptr) {
        if (errno == ENOENT && ::access(DBLib::FilePath(folder, "").c_str(), F_OK) == 0) return 0;
        PostMessageBox(services.boxes, DBLib::FilePath(folder, fileName) + " Access Error",
                       MessageIcon::Stop);
        return 1;
    }
    for (std::string stored; DBLib::ReadLine(stream, stored);) lines.push_back(stored);
    const bool readWhole = !std::ferror(stream);
    std::fclose(stream);
    if (readWhole) return 0;
    PostMessageBox(services.boxes, DBLib::FilePath(folder, fileName) + " Access Error",
                   MessageIcon::Stop);
    return 1;
}

int SaveStoredLines(std::string_view folder, std::string_view fileName,
                    const std::vector<std::string>& lines, const RecordFileServices& services) {
    const std::string path = DBLib::FilePath(folder, fileName);
    // The rename would replace a file the program may not write; it is kept as it was put.
    if (::access(path.c_str(), F_OK) == 0 && ::access(path.c_str(), W_OK) != 0)
        return CannotSave(services.boxes, path);
    const std::string nextName = std::string(fileName) + ".tmp";
    std::FILE* next =
        DBLib::Open(folder, nextName, OpenMode::Recreate, services.boxes, services.retrySleep);
    if (next == nullptr) return 1;
    bool ok = true;
    for (std::size_t i = 0; ok && i < lines.size(); ++i)
        ok = DBLib::WriteLine(next, lines[i]) &&
             !FailPointHit(services.failPoints, "SaveStoredLines");
    if (!ok) {
        std::fclose(next);
        std::remove(DBLib::FilePath(folder, nextName).c_str());
        return CannotSave(services.boxes, path);
    }
    return DBLib::ReplaceFile(next, folder, nextName, fileName, services.failPoints) == 0
               ? 0
               : CannotSave(services.boxes, path);
}
