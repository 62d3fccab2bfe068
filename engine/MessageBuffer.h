#pragma once

#include "OraDate.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vexmoor::engine {

// dbms_pipe.next_item_type codes.
enum class ItemType : int {
    None = 0,
    Number = 6,
    Varchar2 = 9,
    Rowid = 11,
    Date = 12,
    Raw = 23,
};

// A session's dbms_pipe buffer: items are packed into it for sending, and a
// received message is loaded into it for unpacking. Each item costs a type
// byte, a two-byte length, four bytes of character set and form, and its
// data; a message one byte more. More than 4,096 bytes raises ORA-06558.
class MessageBuffer {
public:
    static constexpr std::size_t kCapacity = 4096;

    // NULL values are packed as NULL items of their type; '' is NULL.
    void packNumber(std::optional<double> value);
    void packVarchar2(std::optional<std::string_view> value);
    void packDate(std::optional<OraDate> value);
    void packRaw(std::span<const std::uint8_t> value); // empty = NULL
    void packRowid(std::optional<std::string_view> value);

    // The type of the next item of the received message; None at its end.
    ItemType nextItemType() const;

    // Each takes the next item; ORA-06556 when none is left, ORA-06559 when
    // it has another type.
    std::optional<double> unpackNumber();
    std::optional<std::string> unpackVarchar2();
    std::optional<OraDate> unpackDate();
    std::vector<std::uint8_t> unpackRaw();
    std::optional<std::string> unpackRowid();

    // The packed message, ready to send; the buffer is empty afterwards.
    std::vector<std::uint8_t> takePacked();
    // Replaces the buffer with a received message, read from its first item.
    void loadReceived(std::vector<std::uint8_t> message);
    // dbms_pipe.reset_buffer.
    void reset();

    std::size_t packedSize() const;

private:
    void append(ItemType type, std::span<const std::uint8_t> data);
    // The data of the next item after checking its type; moves past it.
    std::span<const std::uint8_t> take(ItemType wanted);

    // The items of the message, without the closing byte.
    std::vector<std::uint8_t> bytes_;
    std::size_t readPosition_ = 0;
    // Holds a received message: the next pack starts a new one.
    bool received_ = false;
};

} // namespace vexmoor::engine
