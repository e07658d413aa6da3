#include "core/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace qv {

WriteResult WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                                bool durable) {
    WriteResult result;
    std::string temp = path.string() + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        result.error = std::strerror(errno);
        return result;
    }
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            result.error = std::strerror(n < 0 ? errno : ENOSPC);
            ::close(fd);
            ::unlink(temp.c_str());
            return result;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    // mkstemp creates the file private to its owner; give it the usual mode.
    ::fchmod(fd, 0644);
    if ((durable && ::fsync(fd) != 0) || ::close(fd) != 0) {
        result.error = std::strerror(errno);
        ::unlink(temp.c_str());
        return result;
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        result.error = std::strerror(errno);
        ::unlink(temp.c_str());
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace qv
