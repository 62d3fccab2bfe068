#include "ChangeCounter.h"

#include <atomic>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vexmoor::engine {

namespace {

constexpr off_t kSize = sizeof(std::uint64_t);

} // namespace

ChangeCounter::ChangeCounter([[maybe_unused]] const std::filesystem::path& file)
{
#if !defined(_WIN32)
    int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    struct stat info {};
    // A new file is extended once; the zeros it gets read as "settled".
    if (::fstat(fd, &info) != 0 || (info.st_size < kSize && ::ftruncate(fd, kSize) != 0)) {
        ::close(fd);
        return;
    }
    void* mapped = ::mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ::close(fd);
    if (mapped != MAP_FAILED)
        value_ = static_cast<std::uint64_t*>(mapped);
#endif
}

ChangeCounter::~ChangeCounter()
{
#if !defined(_WIN32)
    if (value_)
        ::munmap(value_, kSize);
#endif
}

std::uint64_t ChangeCounter::load() const
{
    if (!value_)
        return 1; // never settled: always the slow way
    return std::atomic_ref<std::uint64_t>(*value_).load();
}

std::uint64_t ChangeCounter::beginChange()
{
    if (!value_)
        return 0;
    std::atomic_ref<std::uint64_t> counter(*value_);
    std::uint64_t seen = counter.load();
    // Odd already: an earlier writer died half-way, or has committed but not
    // yet settled. Stay odd, with a new value.
    while (!counter.compare_exchange_weak(seen, seen + (settled(seen) ? 1 : 2))) {
    }
    return seen + (settled(seen) ? 1 : 2);
}

void ChangeCounter::endChange(std::uint64_t begun)
{
    if (!value_)
        return;
    // Only our own odd value is settled; a change begun since settles itself.
    std::atomic_ref<std::uint64_t>(*value_).compare_exchange_strong(begun, begun + 1);
}

} // namespace vexmoor::engine
