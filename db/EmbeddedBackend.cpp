#include "EmbeddedBackend.h"

#include "NoDestructor.h"
#include "base/Text.h"

#include "base/OraError.h"
#include "engine/Database.h"
#include "engine/Session.h"
#include "engine/Statement.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <system_error>
#include <unordered_map>
#include <vector>

namespace vexmoor::db::oci::detail {

namespace {

using base::OraError;
using base::oraError;

// One Database per file and process, alive while a session uses it.
std::shared_ptr<engine::Database> openShared(const std::filesystem::path& file)
{
    static NoDestructor<std::map<std::filesystem::path, std::weak_ptr<engine::Database>>> cache;
    std::error_code ignored;
    auto key = std::filesystem::weakly_canonical(std::filesystem::absolute(file, ignored), ignored);
    if (key.empty())
        key = file;
    auto& slot = cache.get()[key];
    if (auto existing = slot.lock())
        return existing;
    auto database = engine::Database::open(file);
    slot = database;
    return database;
}

// A placeholder of a cursor's text as the engine compares it (no colon, upper
// case), and the last bind name found to be it, as the caller spelt it: a
// poll binds the same names round after round, so they are folded once.
struct Placeholder {
    std::string name;
    std::string spelling;
};

// Whether a bind name (colon and case as given) names the placeholder.
bool namesPlaceholder(std::string_view bindName, const std::string& placeholder)
{
    if (!bindName.empty() && bindName.front() == ':')
        bindName.remove_prefix(1);
    return bindName.size() == placeholder.size()
           && base::startsWithUpperAt(bindName, 0, placeholder);
}

struct Binding {
    std::string_view name; // a Placeholder's name, which outlives the cursor's binds
    engine::BindBuffer buffer;
};

bool sameNames(const std::vector<std::string>& names, const std::vector<Binding>& binds)
{
    return std::equal(
        names.begin(), names.end(), binds.begin(), binds.end(),
        [](const std::string& name, const Binding& bind) { return name == bind.name; });
}

bool sameBuffer(const engine::BindBuffer& a, const engine::BindBuffer& b)
{
    return a.data == b.data && a.capacity == b.capacity && a.type == b.type
           && a.indicator == b.indicator;
}

struct CachedStatement {
    std::unique_ptr<engine::Statement> statement;
    std::vector<std::string> names;
    std::vector<engine::BindBuffer> buffers; // what the statement holds bound, by name

    // A poll binds the same buffers round after round; the statement
    // keeps them, so only a changed round is bound again.
    void bind(const std::vector<Binding>& binds)
    {
        if (std::equal(buffers.begin(), buffers.end(), binds.begin(), binds.end(),
                       [](const engine::BindBuffer& held, const Binding& bind) {
                           return sameBuffer(held, bind.buffer);
                       }))
            return;
        buffers.clear();
        for (const auto& binding : binds) {
            statement->bind(binding.name, binding.buffer);
            buffers.push_back(binding.buffer);
        }
    }
};

// The cache entry a cursor's text found on its last execute. The entry is
// good while the cache has not been emptied since (entries are never
// removed one by one) and the cursor's text is the same.
struct StatementMemo {
    CachedStatement* entry = nullptr;
    std::uint64_t cacheGeneration = 0;
};

class EmbeddedSession final : public BackendSession,
                              public std::enable_shared_from_this<EmbeddedSession> {
public:
    EmbeddedSession(std::shared_ptr<engine::Database> database,
                    std::unique_ptr<engine::Session> session)
        : database_(std::move(database)), session_(std::move(session))
    {
    }

    ~EmbeddedSession() override
    {
        cache_.clear(); // statements before the session they belong to
    }

    std::unique_ptr<BackendCursor> openCursor() override;
    void interrupt() override { session_->cancel(); }

    // A statement for the text with exactly these placeholders bound to
    // these buffers. The poller sends the same few texts again and again, so
    // statements are kept by text; one is reused only when the round binds
    // the same names (in the same order) as the last, so no buffer of an
    // earlier round stays bound to it. A cursor that runs its text again
    // finds the entry through its memo, without the text's hash.
    engine::Statement& statementFor(const std::string& text, const std::vector<Binding>& binds,
                                    StatementMemo& memo)
    {
        CachedStatement* entry = memo.entry;
        if (entry == nullptr || memo.cacheGeneration != cacheGeneration_
            || !sameNames(entry->names, binds)) {
            entry = &entryFor(text, binds);
            memo = {entry, cacheGeneration_};
        }
        entry->bind(binds);
        return *entry->statement;
    }

private:
    static constexpr std::size_t kCacheLimit = 64;

    CachedStatement& entryFor(const std::string& text, const std::vector<Binding>& binds)
    {
        auto found = cache_.find(text);
        if (found == cache_.end() || !sameNames(found->second.names, binds)) {
            if (cache_.size() >= kCacheLimit && found == cache_.end()) {
                cache_.clear();
                ++cacheGeneration_;
            }
            found = cache_.try_emplace(text).first;
            auto& entry = found->second;
            entry.statement = session_->prepare(text);
            entry.names.clear();
            for (const auto& bind : binds)
                entry.names.emplace_back(bind.name);
            entry.buffers.clear();
        }
        return found->second;
    }

    std::shared_ptr<engine::Database> database_;
    std::unique_ptr<engine::Session> session_;
    std::unordered_map<std::string, CachedStatement> cache_;
    std::uint64_t cacheGeneration_ = 0; // counts the times cache_ was emptied
};

class EmbeddedCursor final : public BackendCursor {
public:
    explicit EmbeddedCursor(std::shared_ptr<EmbeddedSession> session) : session_(std::move(session))
    {
    }

    // The parse is deferred: the text reaches the engine with execute.
    void parse(std::string_view statement) override
    {
        if (statement != statement_) {
            statement_.assign(statement); // reuses the buffer when the poller repeats itself
            placeholdersKnown_ = false;
            memo_ = {};
        }
        parsed_ = true;
        binds_.clear();
    }

    void bind(std::string_view name, void* buffer, sb4 length, sword type, sb2* indicator) override
    {
        if (!parsed_)
            throw oraError(1003);
        if (type != kTypeInteger && type != kTypeString)
            throw oraError(3115);
        // As the Oracle client does, a name the text does not have fails here.
        const std::string& placeholder = placeholderNamed(name);
        Binding binding{
            placeholder,
            {buffer, length,
             type == kTypeInteger ? engine::ExternalType::Integer : engine::ExternalType::String,
             indicator}};
        auto same = std::find_if(binds_.begin(), binds_.end(),
                                 [&](const Binding& b) { return b.name == binding.name; });
        if (same != binds_.end())
            *same = binding;
        else
            binds_.push_back(binding);
    }

    void execute() override
    {
        if (!parsed_)
            throw oraError(1003);
        session_->statementFor(statement_, binds_, memo_).execute();
    }

    void close() override { binds_.clear(); }

private:
    // The placeholder of the text that `name` binds; ORA-01036 for none.
    const std::string& placeholderNamed(std::string_view name)
    {
        if (!placeholdersKnown_) {
            // binds_ is empty here (the text changed with a parse), so no
            // binding views a name of the list replaced.
            placeholders_.clear();
            for (auto& placeholder : engine::placeholderNames(statement_))
                placeholders_.push_back({std::move(placeholder), {}});
            placeholdersKnown_ = true;
        }
        for (const auto& placeholder : placeholders_) {
            if (!placeholder.spelling.empty() && placeholder.spelling == name)
                return placeholder.name;
        }
        for (auto& placeholder : placeholders_) {
            if (namesPlaceholder(name, placeholder.name)) {
                placeholder.spelling.assign(name);
                return placeholder.name;
            }
        }
        throw oraError(1036);
    }

    std::shared_ptr<EmbeddedSession> session_;
    std::string statement_;
    bool parsed_ = false;
    std::vector<Binding> binds_;
    std::vector<Placeholder> placeholders_; // of statement_, once a bind asked
    bool placeholdersKnown_ = false;
    StatementMemo memo_;
};

std::unique_ptr<BackendCursor> EmbeddedSession::openCursor()
{
    return std::make_unique<EmbeddedCursor>(shared_from_this());
}

} // namespace

std::shared_ptr<BackendSession> logOnEmbedded(const std::filesystem::path& file, bool createFolders,
                                              std::string_view user, std::string_view password)
{
    if (createFolders && file.has_parent_path()) {
        std::error_code error;
        std::filesystem::create_directories(file.parent_path(), error);
        if (error) {
            OraError failure = oraError(1034);
            failure.appendLine("Cannot create the folder " + file.parent_path().string() + ": "
                               + error.message());
            throw failure;
        }
    }
    auto database = openShared(file);
    auto session = engine::Session::logOn(database, user, password);
    return std::make_shared<EmbeddedSession>(std::move(database), std::move(session));
}

} // namespace vexmoor::db::oci::detail
