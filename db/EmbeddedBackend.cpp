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

// A placeholder as the engine compares it: no colon, upper case.
std::string normalName(std::string_view name)
{
    if (!name.empty() && name.front() == ':')
        name.remove_prefix(1);
    return base::upperText(name);
}

struct Binding {
    std::string name; // normalised
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
    // earlier round stays bound to it.
    engine::Statement& statementFor(const std::string& text, const std::vector<Binding>& binds)
    {
        auto found = cache_.find(text);
        if (found == cache_.end() || !sameNames(found->second.names, binds)) {
            if (cache_.size() >= kCacheLimit && found == cache_.end())
                cache_.clear();
            found = cache_.try_emplace(text).first;
            auto& entry = found->second;
            entry.statement = session_->prepare(text);
            entry.names.clear();
            for (const auto& bind : binds)
                entry.names.push_back(bind.name);
            entry.buffers.clear();
        }
        found->second.bind(binds);
        return *found->second.statement;
    }

private:
    static constexpr std::size_t kCacheLimit = 64;

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

    std::shared_ptr<engine::Database> database_;
    std::unique_ptr<engine::Session> session_;
    std::unordered_map<std::string, CachedStatement> cache_;
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
        std::string normal = normalName(name);
        // As the Oracle client does, a name the text does not have fails here.
        if (!hasPlaceholder(normal))
            throw base::oraError(1036);
        Binding binding{
            std::move(normal),
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
        session_->statementFor(statement_, binds_).execute();
    }

    void close() override { binds_.clear(); }

private:
    bool hasPlaceholder(const std::string& name)
    {
        if (!placeholdersKnown_) {
            placeholders_ = engine::placeholderNames(statement_);
            placeholdersKnown_ = true;
        }
        return std::find(placeholders_.begin(), placeholders_.end(), name) != placeholders_.end();
    }

    std::shared_ptr<EmbeddedSession> session_;
    std::string statement_;
    bool parsed_ = false;
    std::vector<Binding> binds_;
    std::vector<std::string> placeholders_; // of statement_, once a bind asked
    bool placeholdersKnown_ = false;
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
