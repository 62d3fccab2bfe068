#include "Database.h"

#include "Catalog.h"
#include "PipeStore.h"
#include "Storage.h"


namespace vexmoor::engine {

struct Database::Impl {
    explicit Impl(const std::filesystem::path& file)
        : path(file), storage(file, &Catalog::createDefaultAccounts), catalog(storage),
          pipes(storage)
    {
    }

    std::filesystem::path path;
    Storage storage;
    Catalog catalog;
    PipeStore pipes;
    Clock clock;
};

std::shared_ptr<Database> Database::open(const std::filesystem::path& file)
{
    return std::shared_ptr<Database>(new Database(file));
}

Database::Database(std::filesystem::path file) : impl_(std::make_unique<Impl>(file)) {}

Database::~Database() = default;

const std::filesystem::path& Database::path() const
{
    return impl_->path;
}

Catalog& Database::catalog()
{
    return impl_->catalog;
}

PipeStore& Database::pipes()
{
    return impl_->pipes;
}

void Database::setClock(Clock clock)
{
    impl_->clock = std::move(clock);
}

std::chrono::system_clock::time_point Database::now() const
{
    return impl_->clock ? impl_->clock() : std::chrono::system_clock::now();
}

} // namespace vexmoor::engine
