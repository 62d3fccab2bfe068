#include "ClientLibrary.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif
#if defined(__APPLE__)
#include <mach-o/dyld.h>
#endif

namespace vexmoor::db::oci {

namespace {

#if defined(_WIN32)
constexpr const char* kHomeSubfolder = "bin";
constexpr const char* kSearchPathName = "PATH";
#elif defined(__APPLE__)
constexpr const char* kHomeSubfolder = "lib";
constexpr const char* kSearchPathName = "DYLD_LIBRARY_PATH";
#else
constexpr const char* kHomeSubfolder = "lib";
constexpr const char* kSearchPathName = "LD_LIBRARY_PATH";
#endif

std::optional<std::string> nonEmpty(const EnvironmentLookup& environment, const char* name)
{
    auto value = environment(name);
    if (value && value->empty())
        value.reset();
    return value;
}

// "libclntsh.so (or libclntsh.so.23.1 to .11.1)"
std::string describeNames()
{
    const auto& names = clientLibraryNames();
    std::string text = names.front();
    if (names.size() > 1) {
        const std::string& last = names.back();
        const std::string lastVersion = last.substr(std::min(last.size(), names.front().size()));
        text +=
            " (or " + names[1] + (names.size() > 2 ? " to " + lastVersion : std::string()) + ")";
    }
    return text;
}

void appendLine(std::string& text, std::string_view line)
{
    if (line.empty())
        return;
    text += '\n';
    text += line;
}

} // namespace

const std::vector<std::string>& clientLibraryNames()
{
#if defined(_WIN32)
    static const std::vector<std::string> names{"oci.dll"};
#elif defined(__APPLE__)
    static const std::vector<std::string> names{"libclntsh.dylib",      "libclntsh.dylib.23.1",
                                                "libclntsh.dylib.21.1", "libclntsh.dylib.19.1",
                                                "libclntsh.dylib.18.1", "libclntsh.dylib.12.1",
                                                "libclntsh.dylib.11.1"};
#else
    static const std::vector<std::string> names{
        "libclntsh.so",      "libclntsh.so.23.1", "libclntsh.so.22.1",
        "libclntsh.so.21.1", "libclntsh.so.20.1", "libclntsh.so.19.1",
        "libclntsh.so.18.1", "libclntsh.so.12.1", "libclntsh.so.11.1"};
#endif
    return names;
}

std::filesystem::path programFolder()
{
    std::filesystem::path program;
#if defined(_WIN32)
    std::wstring buffer(32768, L'\0');
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length > 0 && length < buffer.size())
        program = std::filesystem::path(buffer.substr(0, length));
#elif defined(__APPLE__)
    std::uint32_t size = 0;
    _NSGetExecutablePath(nullptr, &size);
    std::string buffer(size, '\0');
    if (_NSGetExecutablePath(buffer.data(), &size) == 0)
        program = std::filesystem::path(buffer.c_str());
#else
    std::error_code error;
    program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        program.clear();
#endif
    return program.has_parent_path() ? program.parent_path() : std::filesystem::path();
}

std::vector<LibraryCandidate> clientLibraryCandidates(const EnvironmentLookup& environment)
{
    return clientLibraryCandidates(environment, programFolder());
}

std::vector<LibraryCandidate> clientLibraryCandidates(const EnvironmentLookup& environment,
                                                      const std::filesystem::path& programFolder)
{
    if (auto configured = nonEmpty(environment, "VEXMOOR_OCI_LIBRARY"))
        return {{*configured, LibrarySource::Configured}};

    std::vector<LibraryCandidate> candidates;
    for (const auto& name : clientLibraryNames())
        candidates.push_back({name, LibrarySource::SystemPath});
    // A full path, so that the loader takes the file there and nothing else.
    if (!programFolder.empty()) {
        for (const auto& name : clientLibraryNames())
            candidates.push_back({(programFolder / name).string(), LibrarySource::ProgramFolder});
    }
    if (auto home = nonEmpty(environment, "ORACLE_HOME")) {
        const auto folder = std::filesystem::path(*home) / kHomeSubfolder;
        for (const auto& name : clientLibraryNames())
            candidates.push_back({(folder / name).string(), LibrarySource::OracleHome});
    }
    return candidates;
}

std::string noClientLibraryMessage(const EnvironmentLookup& environment,
                                   std::string_view loaderReason)
{
    constexpr const char* kEmbeddedHint =
        "The connect string \"embedded\" uses the built-in engine and needs no client library.";

    if (auto configured = nonEmpty(environment, "VEXMOOR_OCI_LIBRARY")) {
        std::string text = "The Oracle client library could not be loaded from " + *configured
                           + " (named by VEXMOOR_OCI_LIBRARY). " + kEmbeddedHint
                           + " To reach Oracle, set VEXMOOR_OCI_LIBRARY to the client library file "
                             "or unset it.";
        appendLine(text, loaderReason);
        return text;
    }

    std::string where =
        std::string("on the system library path, in the program's folder and in $ORACLE_HOME/")
        + kHomeSubfolder;
    if (auto home = nonEmpty(environment, "ORACLE_HOME"))
        where += " (" + (std::filesystem::path(*home) / kHomeSubfolder).string() + ")";
    else
        where += " (ORACLE_HOME is not set)";

    std::string text = "No Oracle client library found: looked for " + describeNames() + " " + where
                       + ". " + kEmbeddedHint
                       + " To reach Oracle, install the Oracle Instant Client and add "
                         "its folder to "
                       + kSearchPathName + ", or set VEXMOOR_OCI_LIBRARY to the library file.";
    appendLine(text, loaderReason);
    return text;
}

#if defined(_WIN32)

std::unique_ptr<ClientLibrary> ClientLibrary::load(const std::string& file, std::string& reason)
{
    HMODULE module = LoadLibraryA(file.c_str());
    if (module == nullptr) {
        reason = file + ": cannot be loaded (error " + std::to_string(GetLastError()) + ")";
        return nullptr;
    }
    return std::unique_ptr<ClientLibrary>(new ClientLibrary(module, file));
}

ClientLibrary::~ClientLibrary()
{
    FreeLibrary(static_cast<HMODULE>(handle_));
}

ClientLibrary::Symbol ClientLibrary::symbol(const char* name) const
{
    return reinterpret_cast<Symbol>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

#else

std::unique_ptr<ClientLibrary> ClientLibrary::load(const std::string& file, std::string& reason)
{
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* error = dlerror();
        reason = error != nullptr ? error : file + ": cannot be loaded";
        return nullptr;
    }
    return std::unique_ptr<ClientLibrary>(new ClientLibrary(handle, file));
}

ClientLibrary::~ClientLibrary()
{
    dlclose(handle_);
}

ClientLibrary::Symbol ClientLibrary::symbol(const char* name) const
{
    void* address = dlsym(handle_, name);
    // dlsym hands functions back as object pointers; copy the bits over.
    Symbol function = nullptr;
    static_assert(sizeof function == sizeof address);
    std::memcpy(&function, &address, sizeof function);
    return function;
}

#endif

ClientLibrary::ClientLibrary(void* handle, std::string file)
    : handle_(handle), file_(std::move(file))
{
}

bool loaderFoundNoFile(std::string_view file, std::string_view reason)
{
#if defined(_WIN32)
    return reason.find("error 126)") != std::string_view::npos;
#else
    const std::string notFound = std::string(file) + ": cannot open shared object file";
    return reason.substr(0, notFound.size()) == notFound
           || (reason.substr(0, file.size()) == file
               && reason.find("image not found") != std::string_view::npos);
#endif
}

ClientLibrarySearch findClientLibrary(const EnvironmentLookup& environment)
{
    const bool configured = nonEmpty(environment, "VEXMOOR_OCI_LIBRARY").has_value();
    std::string telling; // the first reason that says more than "not there"
    for (const auto& candidate : clientLibraryCandidates(environment)) {
        std::string reason;
        if (auto library = ClientLibrary::load(candidate.file, reason))
            return {std::move(library), {}};
        if (telling.empty() && (configured || !loaderFoundNoFile(candidate.file, reason)))
            telling = reason;
    }
    return {nullptr, noClientLibraryMessage(environment, telling)};
}

} // namespace vexmoor::db::oci
