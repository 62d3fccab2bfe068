#pragma once

#include "support/ScratchFolder.h"

#include "engine/Database.h"
#include "engine/OraError.h"
#include "engine/Session.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A database file of its own and helpers to run statements with integer and
// string binds, as the database layer does.
namespace vexmoor::engine {

struct IntegerBind {
    std::int32_t value = 0;
    std::int16_t indicator = 0;
    BindBuffer buffer() { return BindBuffer{&value, 4, ExternalType::Integer, &indicator}; }
    bool isNull() const { return indicator == -1; }
};

struct StringBind {
    explicit StringBind(std::int32_t capacity, std::string_view initial = {})
        : data(static_cast<std::size_t>(capacity), '\0')
    {
        if (!initial.empty())
            std::memcpy(data.data(), initial.data(), std::min(initial.size(), data.size() - 1));
    }
    std::vector<char> data;
    std::int16_t indicator = 0;
    BindBuffer buffer()
    {
        return BindBuffer{data.data(), static_cast<std::int32_t>(data.size()), ExternalType::String,
                          &indicator};
    }
    std::string text() const { return std::string(data.data()); }
    bool isNull() const { return indicator == -1; }
};

// The code of the OraError an action raises; 0 when it raises none.
inline int errorCode(const std::function<void()>& action)
{
    try {
        action();
    } catch (const OraError& error) {
        return error.code();
    }
    return 0;
}

// A fresh database file, open on one connection.
class DatabaseFileTest : public ::testing::Test {
protected:
    vexmoor::test::ScratchFolder folder;
    std::filesystem::path file = folder.file("engine.db");
    std::shared_ptr<Database> database = Database::open(file);
};

class EngineTest : public DatabaseFileTest {
protected:
    std::unique_ptr<Session> logOn(const std::string& user = "vexmoor",
                                   const std::string& password = "vexmoor")
    {
        return Session::logOn(database, user, password);
    }

    static void run(Session& session, const std::string& text) { session.prepare(text)->execute(); }

    // The error a statement raises; fails the test when it raises none.
    static OraError failure(Session& session, const std::string& text)
    {
        try {
            session.prepare(text)->execute();
        } catch (const OraError& error) {
            return error;
        }
        ADD_FAILURE() << "no error from: " << text;
        return OraError(0, "");
    }

    // Runs a block that assigns :r, read through a string bind of 4000 bytes;
    // NULL comes back as nullopt.
    static std::optional<std::string> value(Session& session, const std::string& block)
    {
        StringBind result(4000);
        auto statement = session.prepare(block);
        statement->bind(":r", result.buffer());
        statement->execute();
        if (result.isNull())
            return std::nullopt;
        return result.text();
    }

    // The value of one expression, as text.
    static std::optional<std::string> eval(Session& session, const std::string& expression)
    {
        return value(session, "begin :r := " + expression + "; end;");
    }

    void setClock(int year, int month, int day, int hour, int minute, int second)
    {
        std::tm local{};
        local.tm_year = year - 1900;
        local.tm_mon = month - 1;
        local.tm_mday = day;
        local.tm_hour = hour;
        local.tm_min = minute;
        local.tm_sec = second;
        local.tm_isdst = -1;
        const auto when = std::chrono::system_clock::from_time_t(std::mktime(&local));
        database->setClock([when] { return when; });
    }
};

inline std::string firstLine(const std::string& message)
{
    return message.substr(0, message.find('\n'));
}

} // namespace vexmoor::engine
