#pragma once

// The embedded engine's share of the benchmarks that set it against another
// database: SendDebugMessage and the poller's statements as the trace console
// runs them, and the PL/SQL loops, each on a session of its own.

#include "support/ScratchFolder.h"

#include "engine/Database.h"
#include "engine/Session.h"
#include "engine/Statement.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

namespace vexmoor::bench {

// The statements of the trace console and of the procedure installer.
constexpr const char* kSendDebugMessage =
    "CREATE OR REPLACE PROCEDURE SendDebugMessage (theMessage IN VARCHAR2, thePipe IN VARCHAR2 "
    "DEFAULT 'vexmoor') "
    "AS\n\tstatus\tNUMBER;\n\tBEGIN\n\t\tdbms_pipe.pack_message(LENGTH(theMessage));\n\t\tdbms_"
    "pipe.pack_message("
    "theMessage);\n\t\tstatus := dbms_pipe.send_message(thePipe);\n\t\tIF status != 0 THEN\n\t\t\t"
    "raise_application_error(-20099, 'Debug error');\n\t\tEND IF;\n\tEND SendDebugMessage;\n";
constexpr const char* kSynonym = "CREATE PUBLIC SYNONYM SendDebugMessage FOR SendDebugMessage";
constexpr const char* kSend = "begin SendDebugMessage('abc'); end;";
constexpr const char* kReceive = "begin :sta := dbms_pipe.receive_message('vexmoor', 0); end;";
constexpr const char* kLengthUnpack = "begin dbms_pipe.unpack_message(:len); end;";
constexpr const char* kTextUnpack = "begin dbms_pipe.unpack_message(:chr); end;";

inline void installSendDebugMessage(const std::shared_ptr<vexmoor::engine::Database>& shared)
{
    auto session = vexmoor::engine::Session::logOn(shared, "VEXMOOR", "vexmoor");
    session->prepare(kSendDebugMessage)->execute();
    session->prepare(kSynonym)->execute();
}

// The poller's statements on a session of its own, bound as the database
// layer binds them.
class EnginePoller {
public:
    explicit EnginePoller(const std::shared_ptr<vexmoor::engine::Database>& database)
        : session_(vexmoor::engine::Session::logOn(database, "VEXMOOR", "vexmoor")),
          receive_(session_->prepare(kReceive)), length_(session_->prepare(kLengthUnpack)),
          text_(session_->prepare(kTextUnpack))
    {
        using vexmoor::engine::BindBuffer;
        using vexmoor::engine::ExternalType;
        receive_->bind(":sta", BindBuffer{&status_, 4, ExternalType::Integer, &statusIndicator_});
        length_->bind(":len",
                      BindBuffer{&lengthValue_, 4, ExternalType::Integer, &lengthIndicator_});
        text_->bind(":chr", BindBuffer{textValue_, sizeof textValue_, ExternalType::String,
                                       &textIndicator_});
    }

    // The receive statement's status.
    int receive()
    {
        receive_->execute();
        return status_;
    }
    void unpack()
    {
        length_->execute();
        text_->execute();
        benchmark::DoNotOptimize(textValue_);
    }

private:
    std::unique_ptr<vexmoor::engine::Session> session_;
    std::unique_ptr<vexmoor::engine::Statement> receive_;
    std::unique_ptr<vexmoor::engine::Statement> length_;
    std::unique_ptr<vexmoor::engine::Statement> text_;
    std::int32_t status_ = 0;
    std::int32_t lengthValue_ = 0;
    char textValue_[2001] = {};
    std::int16_t statusIndicator_ = 0;
    std::int16_t lengthIndicator_ = 0;
    std::int16_t textIndicator_ = 0;
};

// SendDebugMessage('abc') on one session, then the poller's receive and its
// two unpacks on another, as often as asked.
class EngineSendDrain {
public:
    EngineSendDrain()
        : database_(vexmoor::engine::Database::open(folder_.file("engine.db"))), poller_(database_)
    {
        installSendDebugMessage(database_);
        sender_ = vexmoor::engine::Session::logOn(database_, "SYSTEM", "manager");
        send_ = sender_->prepare(kSend);
    }

    // False when the message sent did not come back.
    bool sendAndDrain()
    {
        send_->execute();
        if (poller_.receive() != 0)
            return false;
        poller_.unpack();
        return true;
    }

private:
    vexmoor::test::ScratchFolder folder_;
    std::shared_ptr<vexmoor::engine::Database> database_;
    EnginePoller poller_;
    std::unique_ptr<vexmoor::engine::Session> sender_;
    std::unique_ptr<vexmoor::engine::Statement> send_;
};

// PL/SQL loops run by the interpreter, one block per iteration; items are
// loop turns (rows for the table loops). The PL/pgSQL versions of the same
// loops are in postgres_bench.
constexpr std::int64_t kArithmeticTurns = 100000;
constexpr std::int64_t kStringTurns = 3000;
constexpr std::int64_t kTableRows = 10000;

constexpr const char* kArithmeticBlock =
    "declare n number := 0; begin for i in 1..100000 loop n := n + mod(i, 7) * 2 - "
    "1; end loop; end;";
constexpr const char* kStringBlock =
    "declare s varchar2(32767); begin for i in 1..3000 loop s := s || "
    "substr('0123456789', 1 + mod(i, 3), 7) || ','; end loop; end;";
constexpr const char* kCreateRows =
    "create table bench_rows (id number primary key, name varchar2(30))";
constexpr const char* kInsertRows =
    "begin delete from bench_rows; for i in 1..10000 loop insert into bench_rows values (i, "
    "'row ' || i); end loop; commit; end;";
constexpr const char* kCursorBlock =
    "declare n number := 0; begin for r in (select id, name from bench_rows) loop "
    "n := n + r.id + length(r.name); end loop; end;";

class PlsqlLoop {
public:
    PlsqlLoop()
        : database_(vexmoor::engine::Database::open(folder_.file("plsql.db"))),
          session_(vexmoor::engine::Session::logOn(database_, "vexmoor", "vexmoor"))
    {
    }
    void run(const char* text) { session_->prepare(text)->execute(); }
    std::unique_ptr<vexmoor::engine::Statement> prepare(const char* text)
    {
        return session_->prepare(text);
    }
    // The block once per iteration.
    void measure(benchmark::State& state, const char* block, std::int64_t turns)
    {
        auto statement = prepare(block);
        for (auto _ : state)
            statement->execute();
        state.SetItemsProcessed(state.iterations() * turns);
    }

private:
    vexmoor::test::ScratchFolder folder_;
    std::shared_ptr<vexmoor::engine::Database> database_;
    std::unique_ptr<vexmoor::engine::Session> session_;
};

} // namespace vexmoor::bench
