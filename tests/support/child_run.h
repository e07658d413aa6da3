#pragma once
// Running part of a test in a forked child, so that what it changes about
// the process (a file-size limit, its user) or any crash stays there. The
// child sends back a list of byte strings.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace qv::test {

struct ChildRun {
    bool exitedNormally = false;  // no crash, no signal, exit code 0
    std::vector<std::string> fields;
};

inline ChildRun RunInChild(const std::function<std::vector<std::string>()>& body) {
    ChildRun run;
    int fds[2];
    if (pipe(fds) != 0)
        return run;
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return run;
    }
    if (pid == 0) {
        close(fds[0]);
        std::string packed;
        for (const std::string& field : body()) {
            const uint64_t size = field.size();
            packed.append(reinterpret_cast<const char*>(&size), sizeof size);
            packed += field;
        }
        const char* p = packed.data();
        size_t left = packed.size();
        while (left > 0) {
            const ssize_t n = write(fds[1], p, left);
            if (n <= 0)
                _exit(3);
            p += n;
            left -= static_cast<size_t>(n);
        }
        _exit(0);
    }
    close(fds[1]);
    std::string packed;
    char buffer[65536];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        packed.append(buffer, static_cast<size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.exitedNormally = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    for (size_t at = 0; at + sizeof(uint64_t) <= packed.size();) {
        uint64_t size = 0;
        std::memcpy(&size, packed.data() + at, sizeof size);
        at += sizeof size;
        if (size > packed.size() - at)
            break;
        run.fields.push_back(packed.substr(at, size));
        at += size;
    }
    return run;
}

// Files of this process may not grow past `bytes` while it lives; a write
// beyond fails with "File too large", for root as for everyone, as it would
// on a full disk. Meant for a child of RunInChild.
inline void LimitFileSize(rlim_t bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

inline void LiftFileSizeLimit() {
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_FSIZE, &limit);
}

}  // namespace qv::test
