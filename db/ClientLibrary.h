#pragma once

// Finding and loading the Oracle client library at run time.

#include "ConnectString.h"

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vexmoor::db::oci {

enum class LibrarySource {
    Configured,    // $VEXMOOR_OCI_LIBRARY names the file
    SystemPath,    // the loader's own search (LD_LIBRARY_PATH, ldconfig, PATH)
    ProgramFolder, // the folder of the running program, where a client may be shipped with it
    OracleHome,    // $ORACLE_HOME/lib (bin on Windows)
};

struct LibraryCandidate {
    std::string file; // as handed to the loader
    LibrarySource source;
    friend bool operator==(const LibraryCandidate&, const LibraryCandidate&) = default;
};

// The client library's file names on this platform, newest naming first.
const std::vector<std::string>& clientLibraryNames();

// The folder of the running program; empty when the system does not say.
std::filesystem::path programFolder();

// Where to look, in order: the system's search, the program's folder (when
// known), $ORACLE_HOME. A configured file is the only candidate: whoever
// names one wants that one, not whatever else the system holds.
std::vector<LibraryCandidate> clientLibraryCandidates(const EnvironmentLookup& environment,
                                                      const std::filesystem::path& programFolder);
std::vector<LibraryCandidate> clientLibraryCandidates(const EnvironmentLookup& environment);

// What olog answers when no candidate could be loaded: which library was
// looked for and where, that "embedded" needs none, and how to fix it, then
// the loader's reason on a line of its own when there is one worth showing.
std::string noClientLibraryMessage(const EnvironmentLookup& environment,
                                   std::string_view loaderReason);

// Whether the loader's reason for a candidate only says that the file is not
// there (as opposed to a file that was found but cannot be used: another
// architecture, a missing dependency). Only the latter is worth showing.
bool loaderFoundNoFile(std::string_view file, std::string_view reason);

// A loaded shared library; unloaded when the object goes.
class ClientLibrary {
public:
    using Symbol = void (*)();

    // The library, or nothing and the loader's reason in `reason`.
    static std::unique_ptr<ClientLibrary> load(const std::string& file, std::string& reason);

    ~ClientLibrary();
    ClientLibrary(const ClientLibrary&) = delete;
    ClientLibrary& operator=(const ClientLibrary&) = delete;

    const std::string& file() const { return file_; }
    // A function of the library by name; nullptr when it has none.
    Symbol symbol(const char* name) const;

private:
    ClientLibrary(void* handle, std::string file);

    void* handle_;
    std::string file_;
};

struct ClientLibrarySearch {
    std::unique_ptr<ClientLibrary> library; // empty when none could be loaded
    std::string failure;                    // then: noClientLibraryMessage
};

// Tries the candidates in order and keeps the first that loads.
ClientLibrarySearch findClientLibrary(const EnvironmentLookup& environment);

} // namespace vexmoor::db::oci
