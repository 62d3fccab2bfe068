#pragma once

// What the stand-in Oracle client counts, for tests that check how the
// client backend uses the library. Read through the exported function
// StandInCurrentStatistics().

extern "C" {

struct StandInStatistics {
    int calls;            // every exported OCI function
    int environmentMode;  // mode of the last OCIEnvNlsCreate
    int logonMode;        // mode of the last OCILogon2
    int logoffs;          // OCILogoff calls
    int preparesFromText; // OCIStmtPrepare2 that had to prepare the text
    int cacheHits;        // OCIStmtPrepare2 served from the statement cache
    int releases;         // OCIStmtRelease calls
    int liveStatements;   // statement handles not yet released or freed
    int charset;          // charset id of the last OCIEnvNlsCreate
    int ncharset;         // ncharset id of the last OCIEnvNlsCreate
    int liveEnvironments; // environment handles not yet freed
};

using StandInStatisticsFn = const StandInStatistics* (*)();

} // extern "C"
