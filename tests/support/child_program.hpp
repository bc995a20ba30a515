// One of the build's programs as a child process (orbek-sim on its pseudo-terminal, an
// orbek-replay run), its output into a file or nowhere.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace orbek::test {

class ChildProgram {
  public:
    ChildProgram(const std::string& name, std::vector<std::string> args,
                 const std::string& output = "/dev/null") {
        const std::string program = std::string(ORBEK_BINARY_DIR) + "/" + name;
        if (!std::filesystem::exists(program)) return;
        args.insert(args.begin(), program);
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~ChildProgram() { end(); }
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    // Asks it to end; its exit status, or -1.
    int end() {
        if (pid_ > 0) ::kill(pid_, SIGTERM);
        return wait();
    }
    // Waits for it to end by itself; its exit status, or -1.
    int wait() {
        if (pid_ <= 0) return -1;
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

  private:
    pid_t pid_ = -1;
};

} // namespace orbek::test
