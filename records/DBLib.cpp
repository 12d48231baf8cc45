#include "records/DBLib.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <thread>

#include "platform/DurableReplace.h"
#include "platform/FailPoint.h"
#include "platform/MessageBox.h"
#include "settings/ProgramFolder.h"

namespace {

constexpr int kOpenAttempts = 5;
constexpr std::chrono::milliseconds kFirstRetrySleep{5000};  // doubled after each failure
constexpr unsigned char kEscape = 0xFF;

const char* ModeText(OpenMode mode) { return mode == OpenMode::Append ? "a+b" : "w+b"; }

unsigned char RotateLeft(unsigned char v) {
    return static_cast<unsigned char>((v << 1) | (v >> 7));
}
unsigned char RotateRight(unsigned char v) {
    return static_cast<unsigned char>((v >> 1) | (v << 7));
}

bool NeedsEscape(unsigned char v) { return v == 0x0A || v == 0x0D || v == 0x2C || v == kEscape; }

std::size_t ToStored(std::string_view source, std::span<char> target) {
    std::size_t out = 0;
    for (char c : source) {
        if (c == '\n' || c == '\0') break;
        const unsigned char v =
            RotateLeft(static_cast<unsigned char>(~static_cast<unsigned char>(c)));
        if (NeedsEscape(v)) {
            if (out + 2 > target.size()) break;
            target[out++] = static_cast<char>(kEscape);
            target[out++] = static_cast<char>(static_cast<unsigned char>(-v));
        } else {
            if (out + 1 > target.size()) break;
            target[out++] = static_cast<char>(v);
        }
    }
    return out;
}

std::size_t ToPlain(std::string_view source, std::span<char> target) {
    if (target.empty()) return 0;
    std::size_t out = 0;
    for (std::size_t i = 0; i < source.size() && out + 1 < target.size(); ++i) {
        unsigned char v = static_cast<unsigned char>(source[i]);
        if (v == '\n' || v == '\0') break;
        if (v == kEscape) {
            // A trailing escape byte without its partner is the end of a damaged line.
            if (++i == source.size()) break;
            v = static_cast<unsigned char>(-static_cast<unsigned char>(source[i]));
        }
        target[out++] = static_cast<char>(static_cast<unsigned char>(~RotateRight(v)));
    }
    target[out] = '\0';
    return out;
}

}  // namespace

int DBLib::MakeFolder(std::string_view folder) {
    std::error_code ignored;
    std::filesystem::create_directories(GetProgramFolder() + std::string(folder), ignored);
    return 0;
}

std::string DBLib::FilePath(std::string_view folder, std::string_view fileName) {
    std::string path = GetProgramFolder();
    path.append(folder);
    path.push_back('/');
    path.append(fileName);
    return path;
}

void DBLib::SleepFor(std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); }

std::FILE* DBLib::Open(std::string_view folder, std::string_view fileName, OpenMode mode,
                       MessageBoxPort& boxes, RetrySleep sleep) {
    const std::string path = FilePath(folder, fileName);
    const char* modeText = ModeText(mode);
    std::chrono::milliseconds delay = kFirstRetrySleep;
    for (int attempt = 1; attempt <= kOpenAttempts; ++attempt) {
        if (std::FILE* stream = std::fopen(path.c_str(), modeText)) return stream;
        sleep(delay);
        if (attempt < kOpenAttempts) delay *= 2;
    }
    PostMessageBox(boxes, path + " Access Error", MessageIcon::Stop);
    return nullptr;
}

int DBLib::GetField(int index, std::string_view line, std::span<char> out) {
    if (out.empty()) return 1;
    out[0] = '\0';
    const std::size_t end = std::min(line.find('\n'), line.size());
    std::size_t pos = 0;
    for (int i = 0; i < index; ++i) {
        const std::size_t comma = line.find(',', pos);
        if (comma == std::string_view::npos || comma >= end) return 1;
        pos = comma + 1;
    }
    const std::size_t limit = out.size() - 1;
    for (std::size_t k = 0;; ++k) {
        if (pos + k == end || line[pos + k] == ',') {
            out[k] = '\0';
            return 0;
        }
        if (k == limit) {
            out[k] = '\0';
            return 1;
        }
        out[k] = line[pos + k];
    }
}

std::size_t DBLib::Convert(std::string_view source, std::span<char> target, int direction) {
    return direction == kToStored ? ToStored(source, target) : ToPlain(source, target);
}

std::string DBLib::PlainLine(std::string_view stored) {
    std::string plain(stored.size() + 1, '\0');
    plain.resize(Convert(stored, plain, kToPlain));
    return plain;
}

bool DBLib::ReadLine(std::FILE* stream, std::string& line) {
    line.clear();
    int c = getc_unlocked(stream);
    if (c == EOF) return false;
    for (; c != EOF && c != '\n'; c = getc_unlocked(stream)) line.push_back(static_cast<char>(c));
    if (c == '\n' && !line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

bool DBLib::WriteLine(std::FILE* stream, std::string_view text) {
    return std::fwrite(text.data(), 1, text.size(), stream) == text.size() &&
           std::fwrite("\r\n", 1, 2, stream) == 2;
}

int DBLib::ReplaceFile(std::FILE* written, std::string_view folder, std::string_view writtenName,
                       std::string_view targetName, FailPoints* failPoints) {
    const std::string from = FilePath(folder, writtenName);
    if (FailPointHit(failPoints, "DBLib::ReplaceFile")) {
        std::fclose(written);
        std::remove(from.c_str());
        return 1;
    }
    return DurableReplace(written, from, FilePath(folder, targetName));
}

std::FILE* DBLib::OpenForReading(std::string_view folder, std::string_view fileName) {
    return std::fopen(FilePath(folder, fileName).c_str(), "rb");
}

std::FILE* DBLib::OpenForAppending(std::string_view folder, std::string_view fileName) {
    return std::fopen(FilePath(folder, fileName).c_str(), "ab");
}

int DBLib::AppendWhole(std::FILE* stream, std::string_view bytes) {
    if (stream == nullptr) return 1;
    // Straight to the descriptor: a stdio buffer would keep the rest of a failed write and
    // put it in front of the next one.
    const int fd = fileno(stream);
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (wrote > 0) {
            written += static_cast<std::size_t>(wrote);
        } else if (wrote < 0 && errno == EINTR) {
            continue;
        } else {
            struct stat status;
            if (written > 0 && ::fstat(fd, &status) == 0) {
                [[maybe_unused]] const int ignored =
                    ::ftruncate(fd, status.st_size - static_cast<off_t>(written));
            }
            return 1;
        }
    }
    return 0;
}
