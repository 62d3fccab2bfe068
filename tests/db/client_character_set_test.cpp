// The client character set of the Oracle client environment: the locale's
// unless NLS_LANG names one.

#include "DbTestSupport.h"

#include "db/ClientCharacterSet.h"
#include "db/OciSession.h"
#include "standin/StandInStatistics.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>

#include <dlfcn.h>

namespace vexmoor::db {

namespace {

using db::oci::clientCharacterSetName;

struct LocaleCase {
    std::map<std::string, std::string> variables;
    std::optional<std::string> oracleName;
    int id; // as the stand-in client resolves the name
};

const LocaleCase kCases[] = {
    {{{"LANG", "en_US.UTF-8"}}, "AL32UTF8", 873},
    {{{"LANG", "de_DE.utf8"}}, "AL32UTF8", 873},
    {{{"LANG", "de_DE.ISO-8859-1"}}, "WE8ISO8859P1", 31},
    {{{"LANG", "de_DE"}}, "WE8ISO8859P1", 31},
    {{{"LANG", "de_DE@euro"}}, "WE8ISO8859P15", 46},
    {{{"LANG", "fr_FR.ISO-8859-15@euro"}}, "WE8ISO8859P15", 46},
    {{{"LANG", "C"}}, "AL32UTF8", 873},
    {{{"LANG", "C.UTF-8"}}, "AL32UTF8", 873},
    {{}, "AL32UTF8", 873},
    {{{"LANG", "ja_JP.eucJP"}}, std::nullopt, 0},
    // LC_ALL before LC_CTYPE before LANG; empty ones do not count.
    {{{"LC_ALL", "de_DE.ISO-8859-1"}, {"LC_CTYPE", "en_US.UTF-8"}, {"LANG", "en_US.UTF-8"}},
     "WE8ISO8859P1",
     31},
    {{{"LC_ALL", ""}, {"LC_CTYPE", "de_DE.ISO-8859-1"}, {"LANG", "en_US.UTF-8"}},
     "WE8ISO8859P1",
     31},
    {{{"LANG", "en_US.UTF-8"}, {"NLS_LANG", "GERMAN_GERMANY.WE8MSWIN1252"}}, std::nullopt, 0},
    {{{"LANG", "de_DE.ISO-8859-1"}, {"NLS_LANG", ""}}, "WE8ISO8859P1", 31},
};

std::string describe(const LocaleCase& c)
{
    std::string text;
    for (const auto& [name, value] : c.variables)
        text += name + "=" + value + " ";
    return text;
}

TEST(ClientCharacterSet, FollowsTheLocaleUnlessNlsLangIsSet)
{
    for (const LocaleCase& c : kCases) {
        const auto lookup = [&](const char* name) -> std::optional<std::string> {
            const auto found = c.variables.find(name);
            return found == c.variables.end() ? std::nullopt
                                              : std::optional<std::string>(found->second);
        };
        EXPECT_EQ(clientCharacterSetName(lookup), c.oracleName) << describe(c);
    }
}

const StandInStatistics& statistics()
{
    void* library = dlopen(VEXMOOR_STANDIN_CLIENT, RTLD_NOW | RTLD_NOLOAD);
    if (library == nullptr)
        std::abort();
    auto current =
        reinterpret_cast<StandInStatisticsFn>(dlsym(library, "StandInCurrentStatistics"));
    dlclose(library);
    return *current();
}

// The environment is made once per process, at the first logon: each case
// logs on in a child process of its own.
TEST(ClientCharacterSet, EnvironmentIsCreatedWithTheResolvedId)
{
    test::ScratchFolder folder;
    for (const LocaleCase& c : kCases) {
        EXPECT_EXIT(
            {
                for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG", "NLS_LANG"})
                    unsetenv(name);
                for (const auto& [name, value] : c.variables)
                    setenv(name.c_str(), value.c_str(), 1);
                setenv("VEXMOOR_OCI_LIBRARY", VEXMOOR_STANDIN_CLIENT, 1);
                OciSession session;
                const bool loggedOn =
                    session.LogOn("vexmoor", "vexmoor", (folder.path() / "cs.db").string());
                const StandInStatistics& seen = statistics();
                std::fprintf(stderr, "logon %d charset %d ncharset %d environments %d\n",
                             loggedOn ? 1 : 0, seen.charset, seen.ncharset, seen.liveEnvironments);
                std::_Exit(loggedOn && seen.charset == c.id && seen.ncharset == c.id
                                   && seen.liveEnvironments == 1
                               ? 0
                               : 1);
            },
            testing::ExitedWithCode(0), "")
            << describe(c);
    }
}

} // namespace

} // namespace vexmoor::db
