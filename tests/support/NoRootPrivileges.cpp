#include "support/NoRootPrivileges.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace
{

constexpr unsigned kDropped
    = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);

bool GetCaps(__user_cap_data_struct data[2])
{
    __user_cap_header_struct hdr { _LINUX_CAPABILITY_VERSION_3, 0 };
    return syscall(SYS_capget, &hdr, data) == 0;
}

bool SetCaps(__user_cap_data_struct data[2])
{
    __user_cap_header_struct hdr { _LINUX_CAPABILITY_VERSION_3, 0 };
    return syscall(SYS_capset, &hdr, data) == 0;
}

} // namespace

TNoRootPrivileges::TNoRootPrivileges()
{
    if (geteuid() != 0) {
        FActive = true;
        return;
    }
    __user_cap_data_struct data[2] {};
    if (!GetCaps(data))
        return;
    FSaved[0] = data[0].effective;
    FSaved[1] = data[1].effective;
    data[0].effective &= ~kDropped;
    if (SetCaps(data)) {
        FDropped = true;
        FActive = true;
    }
}

TNoRootPrivileges::~TNoRootPrivileges()
{
    if (!FDropped)
        return;
    __user_cap_data_struct data[2] {};
    if (!GetCaps(data))
        return;
    data[0].effective = FSaved[0];
    data[1].effective = FSaved[1];
    SetCaps(data);
}
