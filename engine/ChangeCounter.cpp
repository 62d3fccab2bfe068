#include "ChangeCounter.h"

#include <atomic>
#include <cerrno>
#include <system_error>

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

ChangeCounter::ChangeCounter([[maybe_unused]] const std::filesystem::path& file,
                             [[maybe_unused]] unsigned mode)
{
#if !defined(_WIN32)
    auto fail = [&file](int error) {
        throw std::system_error(error, std::generic_category(), file.string());
    };
    int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, static_cast<mode_t>(mode));
    if (fd < 0)
        fail(errno);
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        int error = errno;
        ::close(fd);
        fail(error);
    }
    // A new file: its mode as asked, not as the umask left it. Changing the
    // mode of another user's file fails harmlessly.
    if (info.st_size == 0)
        (void)::fchmod(fd, static_cast<mode_t>(mode));
    // Sizes the file (the zeros it gets read as "settled") and reserves its
    // block; for a file already reserved this needs no space.
    if (int error = ::posix_fallocate(fd, 0, kSize); error != 0) {
        ::close(fd);
        fail(error);
    }
    void* mapped = ::mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    int error = errno;
    ::close(fd);
    if (mapped == MAP_FAILED)
        fail(error);
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
    while (!counter.compare_exchange_weak(seen, seen + (settled(seen) ? 1 : 2))) {}
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
