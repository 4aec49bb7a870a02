// Share connections through the multiple-provider router (mpr).
#include <windows.h>
#include <winnetwk.h>

#include "net/share.h"

namespace rt {

uint32_t OsAddConnection(const char* remote, const char* local, const char* password, const char* user,
                         uint32_t flags) {
    NETRESOURCEA resource{};
    resource.dwType = RESOURCETYPE_DISK;
    resource.lpRemoteName = const_cast<char*>(remote);
    resource.lpLocalName = const_cast<char*>(local);
    resource.lpProvider = nullptr;
    return ::WNetAddConnection2A(&resource, password, user, flags);
}

uint32_t OsCancelConnection(const char* name, uint32_t flags, bool force) {
    return ::WNetCancelConnection2A(name, flags, force ? TRUE : FALSE);
}

}  // namespace rt
