#include "EngineSession.h"

#include "engine/ItemEncoding.h"
#include "engine/MessageBuffer.h"
#include "engine/OraError.h"

#include <gtest/gtest.h>

#include <string>

namespace vexmoor::engine {

namespace {


MessageBuffer received(MessageBuffer& sender)
{
    MessageBuffer receiver;
    receiver.loadReceived(sender.takePacked());
    return receiver;
}

} // namespace

TEST(MessageBuffer, ItemsComeBackInOrderWithTheirTypes)
{
    MessageBuffer sender;
    sender.packNumber(3);
    sender.packVarchar2("abc");
    sender.packDate(fromCivil({2026, 12, 7, 13, 45, 59}));
    const std::vector<std::uint8_t> raw{0x00, 0xAB, 0xFF};
    sender.packRaw(raw);
    sender.packRowid("AAAAB0AABAAAAEqAAA");

    MessageBuffer buffer = received(sender);
    EXPECT_EQ(buffer.nextItemType(), ItemType::Number);
    EXPECT_EQ(buffer.unpackNumber(), 3.0);
    EXPECT_EQ(buffer.nextItemType(), ItemType::Varchar2);
    EXPECT_EQ(buffer.unpackVarchar2(), "abc");
    EXPECT_EQ(buffer.nextItemType(), ItemType::Date);
    EXPECT_EQ(buffer.unpackDate(), fromCivil({2026, 12, 7, 13, 45, 59}));
    EXPECT_EQ(buffer.nextItemType(), ItemType::Raw);
    EXPECT_EQ(buffer.unpackRaw(), raw);
    EXPECT_EQ(buffer.nextItemType(), ItemType::Rowid);
    EXPECT_EQ(buffer.unpackRowid(), "AAAAB0AABAAAAEqAAA");
    EXPECT_EQ(buffer.nextItemType(), ItemType::None);
    EXPECT_EQ(errorCode([&] { buffer.unpackVarchar2(); }), 6556);
}

TEST(MessageBuffer, NullItemsStayNull)
{
    MessageBuffer sender;
    sender.packNumber(std::nullopt);
    sender.packVarchar2(std::nullopt);
    sender.packVarchar2("");
    sender.packDate(std::nullopt);
    sender.packRaw({});
    sender.packRowid(std::nullopt);

    MessageBuffer buffer = received(sender);
    EXPECT_EQ(buffer.nextItemType(), ItemType::Number);
    EXPECT_EQ(buffer.unpackNumber(), std::nullopt);
    EXPECT_EQ(buffer.unpackVarchar2(), std::nullopt);
    EXPECT_EQ(buffer.unpackVarchar2(), std::nullopt);
    EXPECT_EQ(buffer.unpackDate(), std::nullopt);
    EXPECT_TRUE(buffer.unpackRaw().empty());
    EXPECT_EQ(buffer.unpackRowid(), std::nullopt);
    EXPECT_EQ(buffer.nextItemType(), ItemType::None);
}

TEST(MessageBuffer, WrongTypeNamesBothCodesAndKeepsTheItem)
{
    MessageBuffer sender;
    sender.packNumber(42);
    MessageBuffer buffer = received(sender);
    try {
        buffer.unpackVarchar2();
        FAIL() << "no error";
    } catch (const OraError& error) {
        EXPECT_EQ(error.code(), 6559);
        EXPECT_EQ(error.message(), "ORA-06559: wrong datatype requested, 9, actual datatype is 6");
    }
    EXPECT_EQ(buffer.unpackNumber(), 42.0);
}

TEST(MessageBuffer, SizeLimitCountsHeadersAndLeavesTheBufferOnFailure)
{
    // 7 bytes per item header and 1 for the message: one VARCHAR2 of 4,088
    // bytes fills the buffer exactly.
    MessageBuffer exact;
    exact.packVarchar2(std::string(4088, 'x'));
    EXPECT_EQ(exact.packedSize(), MessageBuffer::kCapacity);
    EXPECT_EQ(errorCode([&] { exact.packVarchar2(std::nullopt); }), 6558);

    MessageBuffer over;
    over.packNumber(1);
    std::size_t before = over.packedSize();
    try {
        over.packVarchar2(std::string(4090, 'y'));
        FAIL() << "no error";
    } catch (const OraError& error) {
        EXPECT_EQ(error.message(),
                  "ORA-06558: buffer in dbms_pipe package is full. No more items allowed");
    }
    EXPECT_EQ(over.packedSize(), before);
    over.packVarchar2("fits");
    MessageBuffer buffer = received(over);
    EXPECT_EQ(buffer.unpackNumber(), 1.0);
    EXPECT_EQ(buffer.unpackVarchar2(), "fits");
    EXPECT_EQ(buffer.nextItemType(), ItemType::None);
}

TEST(MessageBuffer, OneBufferServesPackingAndReceiving)
{
    MessageBuffer sender;
    sender.packVarchar2("first");
    std::vector<std::uint8_t> message = sender.takePacked();
    EXPECT_EQ(sender.packedSize(), 1u) << "sending empties the buffer";

    MessageBuffer session;
    session.packVarchar2("lost");
    session.loadReceived(message);
    EXPECT_EQ(session.unpackVarchar2(), "first") << "a received message replaces what was packed";

    session.packVarchar2("reply");
    MessageBuffer other = received(session);
    EXPECT_EQ(other.unpackVarchar2(), "reply");
    EXPECT_EQ(other.nextItemType(), ItemType::None)
        << "packing after a receive starts a new message";

    session.packNumber(5);
    session.reset();
    EXPECT_EQ(session.packedSize(), 1u);
    EXPECT_EQ(session.nextItemType(), ItemType::None);
}

TEST(ItemEncoding, NumbersUseOracleBytesAndRoundTrip)
{
    EXPECT_EQ(encodeNumber(0), (std::vector<std::uint8_t>{0x80}));
    EXPECT_EQ(encodeNumber(1), (std::vector<std::uint8_t>{0xC1, 2}));
    EXPECT_EQ(encodeNumber(100), (std::vector<std::uint8_t>{0xC2, 2}));
    EXPECT_EQ(encodeNumber(123.45), (std::vector<std::uint8_t>{0xC2, 2, 24, 46}));
    EXPECT_EQ(encodeNumber(0.5), (std::vector<std::uint8_t>{0xC0, 51}));
    EXPECT_EQ(encodeNumber(-1), (std::vector<std::uint8_t>{0x3E, 100, 102}));
    EXPECT_EQ(encodeNumber(-123.45), (std::vector<std::uint8_t>{0x3D, 100, 78, 56, 102}));

    for (double value : {3.0, -0.5, 1e-5, 0.1, 1.0 / 3, -2.5e100, 9.99e125, 1e-130,
                         123456789012345.0, -987654321.125, 4.9e-7}) {
        EXPECT_EQ(decodeNumber(encodeNumber(value)), value) << value;
    }
    EXPECT_EQ(errorCode([] { encodeNumber(1e126); }), 1426);
    EXPECT_EQ(errorCode([] { encodeNumber(-1e200); }), 1426);
    EXPECT_EQ(decodeNumber(encodeNumber(1e-140)), 0.0);
}

TEST(ItemEncoding, DatesUseSevenBytesIncludingBeforeChrist)
{
    OraDate date = fromCivil({2026, 12, 7, 0, 0, 0});
    EXPECT_EQ(encodeDate(date), (std::vector<std::uint8_t>{120, 126, 12, 7, 1, 1, 1}));
    OraDate early = fromCivil({-4712, 1, 1, 23, 59, 58});
    EXPECT_EQ(encodeDate(early), (std::vector<std::uint8_t>{53, 88, 1, 1, 24, 60, 59}));
    EXPECT_EQ(decodeDate(encodeDate(early)), early);
    EXPECT_EQ(decodeDate(encodeDate(date)), date);
}

} // namespace vexmoor::engine
