#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vexmoor::engine {

class Session;

// The external types a caller's buffer may have, numbered as OCI numbers them.
enum class ExternalType : int {
    Integer = 3, // a native-endian signed integer of 1, 2, 4 or 8 bytes
    String = 5,  // a NUL-terminated character string; capacity includes the NUL
};

// A caller's variable bound to a placeholder. The engine reads it when the
// statement starts (indicator -1 means NULL) and writes it back when the
// statement has run: a NULL sets the indicator to -1 and leaves the buffer
// alone; a value sets the indicator to 0 and fills the buffer. A number
// assigned to a string buffer is converted as TO_CHAR converts it; a string
// too long for its buffer raises ORA-06502 at the assignment.
struct BindBuffer {
    void* data = nullptr;
    std::int32_t capacity = 0; // bytes
    ExternalType type = ExternalType::String;
    std::int16_t* indicator = nullptr; // may be null
};

// The placeholders of a text outside string literals and comments, upper
// case without their colons, each once: what a client library checks a bind
// against before the text reaches the database.
std::vector<std::string> placeholderNames(std::string_view text);

// One statement text on a session, parsed when it is first executed (parsed
// forms are cached by text, so running the same text again costs no parse).
class Statement {
public:
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    const std::string& text() const;

    // Binds a placeholder by name, with or without its colon, in any letter
    // case. Binding a name again replaces the earlier buffer. A name that the
    // statement does not contain raises ORA-01036 when the statement runs.
    void bind(std::string_view placeholder, BindBuffer buffer);

    // Runs the statement. Raises OraError: ORA-06550 (with the parse offset
    // set) for a block that does not compile, ORA-01008 for a placeholder
    // that has no buffer, and whatever the statement itself raises.
    void execute();

private:
    friend class Session;
    struct Impl;
    explicit Statement(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

} // namespace vexmoor::engine
