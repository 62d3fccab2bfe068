#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace vexmoor::test {

// Gives up, for the calling thread only, root's right to write where file
// permissions forbid it. Tests run as root in CI, where a folder's mode would
// stop nothing; a read-only bind mount needs a mount namespace that a CI
// container may not grant, while every thread may drop its own capabilities
// (on Linux they belong to the thread, so the rest of the process keeps them).
inline bool dropFilePermissionOverrides()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    for (unsigned capability : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
        const unsigned bit = 1u << (capability % 32);
        data[capability / 32].effective &= ~bit;
        data[capability / 32].permitted &= ~bit;
        data[capability / 32].inheritable &= ~bit;
    }
    return ::syscall(SYS_capset, &header, data) == 0;
}

} // namespace vexmoor::test
