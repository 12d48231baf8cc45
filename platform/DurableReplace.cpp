#include "platform/DurableReplace.h"

#include <fcntl.h>
#include <unistd.h>

int DurableReplace(std::FILE* written, const std::string& fromPath, const std::string& toPath) {
    bool ok = std::fflush(written) == 0 && ::fsync(fileno(written)) == 0;
    ok = std::fclose(written) == 0 && ok;
    ok = ok && std::rename(fromPath.c_str(), toPath.c_str()) == 0;
    if (!ok) {
        std::remove(fromPath.c_str());
        return 1;
    }
    const std::size_t slash = toPath.rfind('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : toPath.substr(0, slash);
    if (const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY); fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    return 0;
}
