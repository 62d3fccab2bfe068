#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace vexmoor::engine {

// A session's dbms_output buffer: the lines a program put there, until the
// session (or `vexmoor-cli exec`) reads them back with GET_LINE(S). Like
// Oracle's, it drops what is written while disabled, and a PUT after a read
// first discards the lines nobody fetched.
class DbmsOutputBuffer {
public:
    // `limit` in bytes, nothing for no limit; Oracle's range 2,000 to 1,000,000.
    void enable(std::optional<std::size_t> limit);
    void disable();
    bool enabled() const { return enabled_; }

    // ORA-20000 (ORU-10027) beyond the limit, (ORU-10028) for a line over
    // 32,767 bytes.
    void put(std::string_view text);
    void newLine();
    // The oldest complete line; nothing when there is none.
    std::optional<std::string> getLine();

private:
    void startWriting();

    bool enabled_ = false;
    bool reading_ = false;
    std::optional<std::size_t> limit_;
    std::size_t used_ = 0;
    std::deque<std::string> lines_;
    std::string partial_;
};

} // namespace vexmoor::engine
