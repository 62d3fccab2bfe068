#pragma once

#include <new>
#include <utility>

namespace vexmoor::db::oci::detail {

// Holds a process-wide object that is built on first use and never
// destroyed. The call layer keeps its sessions this way because ending them
// at exit would be a log-off, which the layer never makes, and because an
// Oracle client must not be called (or unloaded) while the process tears
// down. What it holds stays reachable, so leak checkers stay quiet.
template <typename T>
class NoDestructor {
public:
    template <typename... Args>
    explicit NoDestructor(Args&&... args)
    {
        ::new (static_cast<void*>(storage_)) T(std::forward<Args>(args)...);
    }
    ~NoDestructor() = default;
    NoDestructor(const NoDestructor&) = delete;
    NoDestructor& operator=(const NoDestructor&) = delete;

    T& get() { return *std::launder(reinterpret_cast<T*>(storage_)); }
    T* operator->() { return &get(); }

private:
    alignas(T) unsigned char storage_[sizeof(T)];
};

} // namespace vexmoor::db::oci::detail
