#include "PasswordPrompt.h"

#include "StopSignal.h"

#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace vexmoor::cli {

namespace {

class TerminalFile {
public:
    TerminalFile() : fd_(::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC)) {}
    ~TerminalFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    TerminalFile(const TerminalFile&) = delete;
    TerminalFile& operator=(const TerminalFile&) = delete;

    int fd() const { return fd_; }
    void write(const std::string& text) const
    {
        std::size_t done = 0;
        while (done < text.size()) {
            const ssize_t written = ::write(fd_, text.data() + done, text.size() - done);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return;
            done += static_cast<std::size_t>(written);
        }
    }

private:
    int fd_;
};

// Echo off while it lives; the terminal's settings come back however the
// prompt ends.
class EchoOff {
public:
    explicit EchoOff(int fd) : fd_(fd), saved_{}
    {
        if (::tcgetattr(fd, &saved_) != 0)
            return;
        termios quiet = saved_;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        active_ = ::tcsetattr(fd, TCSAFLUSH, &quiet) == 0;
    }
    ~EchoOff()
    {
        if (active_)
            ::tcsetattr(fd_, TCSAFLUSH, &saved_);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    int fd_;
    termios saved_;
    bool active_ = false;
};

enum class ReadResult { Char, End, Stopped };

// Waits in short steps so that Ctrl+C, whose handler lets calls restart,
// still ends the wait.
ReadResult readChar(int fd, char& c)
{
    for (;;) {
        if (stopRequested())
            return ReadResult::Stopped;
        pollfd waiting{fd, POLLIN, 0};
        const int ready = ::poll(&waiting, 1, 100);
        if (ready < 0 && errno != EINTR)
            return ReadResult::End;
        if (ready <= 0)
            continue;
        const ssize_t got = ::read(fd, &c, 1);
        if (got == 1)
            return ReadResult::Char;
        if (got < 0 && errno == EINTR)
            continue;
        return ReadResult::End;
    }
}

} // namespace

std::optional<std::string> promptPassword(const std::string& prompt)
{
    TerminalFile terminal;
    if (terminal.fd() < 0)
        return std::nullopt;
    std::string password;
    bool complete = false;
    {
        EchoOff echoOff(terminal.fd());
        terminal.write(prompt);
        char c = 0;
        for (;;) {
            const ReadResult result = readChar(terminal.fd(), c);
            if (result != ReadResult::Char)
                break;
            if (c == '\n' || c == '\r') {
                complete = true;
                break;
            }
            password += c;
        }
    }
    if (!complete) {
        terminal.write("\n");
        return std::nullopt;
    }
    return password;
}

} // namespace vexmoor::cli
