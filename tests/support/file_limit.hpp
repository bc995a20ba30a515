// A disk that fills up: steps run in a forked child whose files cannot grow past a limit, so a
// write fails part-way exactly as on a full disk. POSIX only.
#pragma once

#ifndef _WIN32

#include <csignal>
#include <functional>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace orbek::test {

// Sets the size no file may grow past (0: no limit) in this process.
inline void limitFileSize(rlim_t bytes) {
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = bytes == 0 ? limit.rlim_max : bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

// Runs `steps` in a child process with files limited to `bytes`; returns what `steps` returned
// (the number of the first check that failed, 0 when all held), or -1 when the child died.
inline int inChildWithFileLimit(rlim_t bytes, const std::function<int()>& steps) {
    const pid_t child = fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead of killing
        limitFileSize(bytes);
        _exit(steps());
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

} // namespace orbek::test

#endif
