#pragma once

#include <csignal>
#include <cstdio>
#include <exception>
#include <functional>
#include <optional>
#include <sys/wait.h>
#include <unistd.h>

namespace vexmoor::test {

// Runs `body` in a forked child process, whose exit code is what `body`
// returns (99 when it throws; the error goes to standard error). Fork before this process opens the
// database file the child uses: SQLite connections must not cross a fork. A child still running
// when the object dies is killed, so a failing test never hangs.
class ChildProcess {
public:
    explicit ChildProcess(const std::function<int()>& body)
    {
        pid_ = fork();
        if (pid_ == 0) {
            int code = 99;
            try {
                code = body();
            } catch (const std::exception& error) {
                std::fprintf(stderr, "child process: %s\n", error.what());
            } catch (...) {
            }
            _exit(code);
        }
    }
    ~ChildProcess()
    {
        if (pid_ > 0 && !status_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }

    // True while the child runs.
    bool running()
    {
        if (status_)
            return false;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            status_ = status;
            return false;
        }
        return true;
    }

    // Waits for the child; its exit code, or -1 when a signal ended it.
    int exitCode()
    {
        if (!status_) {
            int status = 0;
            waitpid(pid_, &status, 0);
            status_ = status;
        }
        return WIFEXITED(*status_) ? WEXITSTATUS(*status_) : -1;
    }

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

} // namespace vexmoor::test
