#include "MessageBuffer.h"

#include "ItemEncoding.h"
#include "OraError.h"

#include <string>

namespace vexmoor::engine {

namespace {

// Type byte, two length bytes, two bytes of character set id, two of form.
constexpr std::size_t kItemHeader = 7;
constexpr std::size_t kMessageEnd = 1;
constexpr std::uint16_t kAl32Utf8 = 873;
constexpr std::uint16_t kImplicitForm = 1;
constexpr std::size_t kMaxItemData = 0xffff;

std::span<const std::uint8_t> asBytes(std::string_view text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string asText(std::span<const std::uint8_t> bytes)
{
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

void putShort(std::vector<std::uint8_t>& bytes, std::size_t value)
{
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
    bytes.push_back(static_cast<std::uint8_t>(value & 0xff));
}

std::string typeCode(ItemType type)
{
    return std::to_string(static_cast<int>(type));
}

} // namespace

void MessageBuffer::append(ItemType type, std::span<const std::uint8_t> data)
{
    if (received_) {
        bytes_.clear();
        readPosition_ = 0;
        received_ = false;
    }
    // Checked before anything is written, so a refused item leaves the
    // buffer as it was.
    if (data.size() > kMaxItemData
        || bytes_.size() + kItemHeader + data.size() + kMessageEnd > kCapacity)
        throw oraError(6558);
    bool text = type == ItemType::Varchar2;
    bytes_.push_back(static_cast<std::uint8_t>(type));
    putShort(bytes_, data.size());
    putShort(bytes_, text ? kAl32Utf8 : 0);
    putShort(bytes_, text ? kImplicitForm : 0);
    bytes_.insert(bytes_.end(), data.begin(), data.end());
}

void MessageBuffer::packNumber(std::optional<double> value)
{
    if (!value) {
        append(ItemType::Number, {});
        return;
    }
    append(ItemType::Number, encodeNumber(*value));
}

void MessageBuffer::packVarchar2(std::optional<std::string_view> value)
{
    append(ItemType::Varchar2, value ? asBytes(*value) : std::span<const std::uint8_t>{});
}

void MessageBuffer::packDate(std::optional<OraDate> value)
{
    if (!value) {
        append(ItemType::Date, {});
        return;
    }
    append(ItemType::Date, encodeDate(*value));
}

void MessageBuffer::packRaw(std::span<const std::uint8_t> value)
{
    append(ItemType::Raw, value);
}

void MessageBuffer::packRowid(std::optional<std::string_view> value)
{
    append(ItemType::Rowid, value ? asBytes(*value) : std::span<const std::uint8_t>{});
}

ItemType MessageBuffer::nextItemType() const
{
    if (readPosition_ + kItemHeader > bytes_.size())
        return ItemType::None;
    return static_cast<ItemType>(bytes_[readPosition_]);
}

std::span<const std::uint8_t> MessageBuffer::take(ItemType wanted)
{
    ItemType actual = nextItemType();
    if (actual == ItemType::None)
        throw oraError(6556);
    if (actual != wanted)
        throw oraError(6559, {typeCode(wanted), typeCode(actual)});
    std::size_t length = (std::size_t{bytes_[readPosition_ + 1]} << 8) | bytes_[readPosition_ + 2];
    std::size_t start = readPosition_ + kItemHeader;
    if (start + length > bytes_.size())
        throw oraError(6556);
    readPosition_ = start + length;
    return std::span<const std::uint8_t>(bytes_).subspan(start, length);
}

std::optional<double> MessageBuffer::unpackNumber()
{
    auto data = take(ItemType::Number);
    if (data.empty())
        return std::nullopt;
    return decodeNumber(data);
}

std::optional<std::string> MessageBuffer::unpackVarchar2()
{
    auto data = take(ItemType::Varchar2);
    if (data.empty())
        return std::nullopt;
    return asText(data);
}

std::optional<OraDate> MessageBuffer::unpackDate()
{
    auto data = take(ItemType::Date);
    if (data.empty())
        return std::nullopt;
    return decodeDate(data);
}

std::vector<std::uint8_t> MessageBuffer::unpackRaw()
{
    auto data = take(ItemType::Raw);
    return std::vector<std::uint8_t>(data.begin(), data.end());
}

std::optional<std::string> MessageBuffer::unpackRowid()
{
    auto data = take(ItemType::Rowid);
    if (data.empty())
        return std::nullopt;
    return asText(data);
}

std::vector<std::uint8_t> MessageBuffer::takePacked()
{
    std::vector<std::uint8_t> message;
    if (!received_)
        message.swap(bytes_);
    message.push_back(static_cast<std::uint8_t>(ItemType::None));
    reset();
    return message;
}

void MessageBuffer::loadReceived(std::vector<std::uint8_t> message)
{
    // The closing byte reads as "no more items" either way; drop it so that
    // bytes_ holds items only.
    if (!message.empty() && message.back() == static_cast<std::uint8_t>(ItemType::None))
        message.pop_back();
    bytes_ = std::move(message);
    readPosition_ = 0;
    received_ = true;
}

void MessageBuffer::reset()
{
    bytes_.clear();
    readPosition_ = 0;
    received_ = false;
}

std::size_t MessageBuffer::packedSize() const
{
    return (received_ ? 0 : bytes_.size()) + kMessageEnd;
}

} // namespace vexmoor::engine
