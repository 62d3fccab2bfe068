#include "EngineSession.h"
#include "support/ScratchFolder.h"

#include "engine/Catalog.h"
#include "engine/ChangeCounter.h"
#include "engine/Database.h"
#include "engine/OraError.h"
#include "engine/PipeStore.h"

#include <gtest/gtest.h>

namespace vexmoor::engine {

using namespace std::chrono_literals;
using namespace vexmoor::test;

namespace {


class CatalogTest : public DatabaseFileTest {
protected:
    Catalog& catalog = database->catalog();
};

} // namespace

TEST_F(CatalogTest, NewFileHasTheTwoAccounts)
{
    EXPECT_EQ(catalog.authenticate("system", "manager"), "SYSTEM");
    EXPECT_EQ(catalog.authenticate("Vexmoor", "vexmoor"), "VEXMOOR");
    EXPECT_EQ(catalog.authenticate("vexmoor", "VEXMOOR"), std::nullopt)
        << "passwords are case-sensitive";
    EXPECT_EQ(catalog.authenticate("nobody", "vexmoor"), std::nullopt);

    for (Privilege privilege :
         {Privilege::ExecuteDbmsPipe, Privilege::CreateProcedure, Privilege::CreatePublicSynonym,
          Privilege::DropPublicSynonym, Privilege::CreateUser}) {
        EXPECT_TRUE(catalog.hasPrivilege("SYSTEM", privilege));
    }
    EXPECT_TRUE(catalog.hasPrivilege("vexmoor", Privilege::ExecuteDbmsPipe));
    EXPECT_TRUE(catalog.hasPrivilege("vexmoor", Privilege::CreateProcedure));
    EXPECT_TRUE(catalog.hasPrivilege("vexmoor", Privilege::CreatePublicSynonym));
    EXPECT_FALSE(catalog.hasPrivilege("vexmoor", Privilege::CreateUser));
    EXPECT_FALSE(catalog.hasPrivilege("vexmoor", Privilege::DropPublicSynonym));
}

TEST_F(CatalogTest, UsersAndPrivileges)
{
    catalog.createUser("scott", "Tiger");
    EXPECT_EQ(catalog.authenticate("SCOTT", "Tiger"), "SCOTT");
    EXPECT_EQ(errorCode([&] { catalog.createUser("Scott", "x"); }), 1920);
    EXPECT_FALSE(catalog.hasPrivilege("scott", Privilege::ExecuteDbmsPipe));

    catalog.grant("scott", Privilege::ExecuteDbmsPipe);
    catalog.grant("scott", Privilege::ExecuteDbmsPipe);
    EXPECT_TRUE(catalog.hasPrivilege("scott", Privilege::ExecuteDbmsPipe));
    catalog.revoke("scott", Privilege::ExecuteDbmsPipe);
    EXPECT_FALSE(catalog.hasPrivilege("scott", Privilege::ExecuteDbmsPipe));
    EXPECT_EQ(errorCode([&] { catalog.grant("nobody", Privilege::CreateProcedure); }), 1917);
    EXPECT_EQ(errorCode([&] { catalog.revoke("nobody", Privilege::CreateProcedure); }), 1917);

    catalog.storeProcedure({"scott", "p"}, "PROCEDURE p AS BEGIN NULL; END;", false);
    catalog.dropUser("scott");
    EXPECT_FALSE(catalog.userExists("scott"));
    EXPECT_EQ(catalog.findProcedure({"SCOTT", "P"}), std::nullopt)
        << "the schema goes with the user";
    EXPECT_EQ(errorCode([&] { catalog.dropUser("scott"); }), 1918);
}

TEST_F(CatalogTest, ProceduresAreReplacedOnlyWhenAsked)
{
    catalog.storeProcedure({"vexmoor", "SendDebugMessage"}, "PROCEDURE one", false);
    auto first = catalog.findProcedure({"VEXMOOR", "SENDDEBUGMESSAGE"});
    ASSERT_TRUE(first);
    EXPECT_EQ(first->object, (ObjectName{"VEXMOOR", "SENDDEBUGMESSAGE"}));
    EXPECT_EQ(first->source, "PROCEDURE one");

    EXPECT_EQ(errorCode([&] {
                  catalog.storeProcedure({"VEXMOOR", "SENDDEBUGMESSAGE"}, "PROCEDURE two", false);
              }),
              955);
    catalog.storeProcedure({"VEXMOOR", "SENDDEBUGMESSAGE"}, "PROCEDURE two", true);
    auto second = catalog.findProcedure({"vexmoor", "senddebugmessage"});
    ASSERT_TRUE(second);
    EXPECT_EQ(second->source, "PROCEDURE two");
    EXPECT_NE(second->version, first->version);

    catalog.createSynonym({"VEXMOOR", "ALIAS"}, {"VEXMOOR", "SENDDEBUGMESSAGE"}, false);
    EXPECT_EQ(errorCode([&] {
                  catalog.storeProcedure({"VEXMOOR", "ALIAS"}, "PROCEDURE x", true);
              }),
              955)
        << "a private synonym holds the name";

    catalog.dropProcedure({"vexmoor", "senddebugmessage"});
    EXPECT_EQ(catalog.findProcedure({"VEXMOOR", "SENDDEBUGMESSAGE"}), std::nullopt);
    EXPECT_EQ(errorCode([&] { catalog.dropProcedure({"VEXMOOR", "SENDDEBUGMESSAGE"}); }), 4043);
}

TEST_F(CatalogTest, SynonymNamesAreTakenOnce)
{
    catalog.storeProcedure({"VEXMOOR", "SENDDEBUGMESSAGE"}, "PROCEDURE p", false);
    catalog.createSynonym({"PUBLIC", "SendDebugMessage"}, {"VEXMOOR", "SendDebugMessage"}, false);
    EXPECT_EQ(catalog.findSynonym({"public", "senddebugmessage"}),
              (ObjectName{"VEXMOOR", "SENDDEBUGMESSAGE"}));
    EXPECT_EQ(errorCode([&] {
                  catalog.createSynonym({"PUBLIC", "SENDDEBUGMESSAGE"}, {"X", "Y"}, false);
              }),
              955);
    catalog.createSynonym({"PUBLIC", "SENDDEBUGMESSAGE"}, {"X", "Y"}, true);
    EXPECT_EQ(catalog.findSynonym({"PUBLIC", "SENDDEBUGMESSAGE"}), (ObjectName{"X", "Y"}));
    EXPECT_EQ(errorCode([&] {
                  catalog.createSynonym({"VEXMOOR", "SENDDEBUGMESSAGE"}, {"X", "Y"}, true);
              }),
              955)
        << "a procedure holds the name in its schema";

    catalog.dropSynonym({"PUBLIC", "SENDDEBUGMESSAGE"});
    EXPECT_EQ(catalog.findSynonym({"PUBLIC", "SENDDEBUGMESSAGE"}), std::nullopt);
    EXPECT_EQ(errorCode([&] { catalog.dropSynonym({"PUBLIC", "SENDDEBUGMESSAGE"}); }), 1432);
    EXPECT_EQ(errorCode([&] { catalog.dropSynonym({"VEXMOOR", "NONE"}); }), 1434);
}

TEST_F(CatalogTest, ResolutionPrefersOwnSchemaThenPublicAndFollowsChains)
{
    catalog.createUser("scott", "tiger");
    catalog.storeProcedure({"VEXMOOR", "SEND"}, "PROCEDURE send", false);
    catalog.createSynonym({"PUBLIC", "SEND"}, {"VEXMOOR", "SEND"}, false);
    EXPECT_EQ(catalog.resolve("scott", "send"), (ObjectName{"VEXMOOR", "SEND"}));
    EXPECT_EQ(catalog.resolve("vexmoor", "send"), (ObjectName{"VEXMOOR", "SEND"}));

    catalog.storeProcedure({"SCOTT", "SEND"}, "PROCEDURE own", false);
    EXPECT_EQ(catalog.resolve("scott", "send"), (ObjectName{"SCOTT", "SEND"}))
        << "own object before public synonym";

    // A private synonym to a public synonym to the procedure.
    catalog.createSynonym({"PUBLIC", "HOP"}, {"VEXMOOR", "SEND"}, false);
    catalog.createSynonym({"SCOTT", "VIA"}, {"PUBLIC", "HOP"}, false);
    EXPECT_EQ(catalog.resolve("scott", "via"), (ObjectName{"VEXMOOR", "SEND"}));

    EXPECT_EQ(catalog.resolve("scott", "missing"), std::nullopt);
    catalog.createSynonym({"PUBLIC", "DANGLING"}, {"VEXMOOR", "GONE"}, false);
    EXPECT_EQ(catalog.resolve("scott", "dangling"), std::nullopt);
    catalog.createSynonym({"PUBLIC", "LOOP1"}, {"PUBLIC", "LOOP2"}, false);
    catalog.createSynonym({"PUBLIC", "LOOP2"}, {"PUBLIC", "LOOP1"}, false);
    EXPECT_EQ(catalog.resolve("scott", "loop1"), std::nullopt);
}

TEST_F(CatalogTest, GenerationChangesWithEveryCatalogChangeSeenFromAnyConnection)
{
    auto other = Database::open(file);
    std::int64_t start = catalog.generation();
    EXPECT_EQ(catalog.generation(), start);
    EXPECT_EQ(other->catalog().generation(), start);

    // Pipe traffic is not a catalog change.
    other->pipes().send("p", std::vector<std::uint8_t>{1}, 0ms);
    EXPECT_EQ(catalog.generation(), start);

    std::vector<std::function<void(Catalog&)>> changes{
        [](Catalog& c) { c.createUser("u", "p"); },
        [](Catalog& c) { c.grant("u", Privilege::CreateProcedure); },
        [](Catalog& c) { c.revoke("u", Privilege::CreateProcedure); },
        [](Catalog& c) {
            c.storeProcedure({"U", "P"}, "PROCEDURE p", false);
        },
        [](Catalog& c) {
            c.storeProcedure({"U", "P"}, "PROCEDURE p2", true);
        },
        [](Catalog& c) {
            c.createSynonym({"PUBLIC", "P"}, {"U", "P"}, false);
        },
        [](Catalog& c) {
            c.dropSynonym({"PUBLIC", "P"});
        },
        [](Catalog& c) {
            c.dropProcedure({"U", "P"});
        },
        [](Catalog& c) { c.dropUser("u"); },
    };
    std::int64_t seen = start;
    for (std::size_t i = 0; i < changes.size(); ++i) {
        changes[i](other->catalog());
        std::int64_t now = catalog.generation();
        EXPECT_NE(now, seen) << "change " << i;
        EXPECT_EQ(other->catalog().generation(), now);
        seen = now;
    }
    // A failed change is no change.
    EXPECT_THROW(other->catalog().createUser("system", "x"), OraError);
    EXPECT_EQ(catalog.generation(), seen);
}

TEST_F(CatalogTest, RememberedLookupsFollowChangesMadeByAnotherConnection)
{
    auto other = Database::open(file);
    catalog.storeProcedure({"VEXMOOR", "P"}, "PROCEDURE one", false);
    catalog.createSynonym({"PUBLIC", "Q"}, {"VEXMOOR", "P"}, false);
    // Remembered here...
    EXPECT_EQ(catalog.findProcedure({"VEXMOOR", "P"})->source, "PROCEDURE one");
    EXPECT_EQ(catalog.resolve("system", "q"), (ObjectName{"VEXMOOR", "P"}));
    EXPECT_TRUE(catalog.hasPrivilege("vexmoor", Privilege::CreateProcedure));
    EXPECT_EQ(catalog.findSynonym({"PUBLIC", "Q"}), (ObjectName{"VEXMOOR", "P"}));

    // ...and changed there.
    other->catalog().storeProcedure({"VEXMOOR", "P"}, "PROCEDURE two", true);
    other->catalog().dropSynonym({"PUBLIC", "Q"});
    other->catalog().revoke("vexmoor", Privilege::CreateProcedure);
    EXPECT_EQ(catalog.findProcedure({"VEXMOOR", "P"})->source, "PROCEDURE two");
    EXPECT_EQ(catalog.resolve("system", "q"), std::nullopt);
    EXPECT_FALSE(catalog.hasPrivilege("vexmoor", Privilege::CreateProcedure));
    EXPECT_EQ(catalog.findSynonym({"PUBLIC", "Q"}), std::nullopt);
}

TEST(ChangeCounter, SettlesOnlyWhenNoChangeIsHalfWay)
{
    ScratchFolder folder;
    ChangeCounter first(folder.file("db-catalog"));
    ChangeCounter second(folder.file("db-catalog"));
    ASSERT_TRUE(first.available());
    std::uint64_t start = second.load();
    EXPECT_TRUE(ChangeCounter::settled(start));

    {
        ChangeMark mark(first);
        EXPECT_FALSE(ChangeCounter::settled(second.load()));
    }
    std::uint64_t afterOne = second.load();
    EXPECT_TRUE(ChangeCounter::settled(afterOne));
    EXPECT_NE(afterOne, start);

    // A writer that died after beginning leaves the counter unsettled until
    // the next change completes.
    first.beginChange();
    EXPECT_FALSE(ChangeCounter::settled(second.load()));
    {
        ChangeMark mark(second);
    }
    EXPECT_TRUE(ChangeCounter::settled(first.load()));

    // A change that ends while a later one is under way does not settle it.
    std::uint64_t a = first.beginChange();
    std::uint64_t b = second.beginChange();
    first.endChange(a);
    EXPECT_FALSE(ChangeCounter::settled(first.load()));
    second.endChange(b);
    EXPECT_TRUE(ChangeCounter::settled(first.load()));
}

} // namespace vexmoor::engine
