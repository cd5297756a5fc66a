#pragma once
// Asynchronous IPv4 host lookups. A lookup runs on a helper thread and reports to a
// hidden window as a posted message: wParam = the lookup's handle, lParam = error in the
// high half (0 success, 11001 host not found, ...). The result can be read with
// WsLookupResult while that message is being handled; afterwards it is gone.
// A cancelled lookup posts nothing (a result already queued is withdrawn).
#include "platform/Messages.h"
#include "platform/SocketApi.h"

#include <cstdint>
#include <string>

namespace zuneigo::platform {

using HANDLE = std::uintptr_t; // 0 = none

// Starts a lookup of a host name; returns a non-zero handle at once, or 0 with the error
// recorded when it cannot be started.
HANDLE WsAsyncGetHostByName(HWND hwnd, UINT message, const std::string& name);
// Starts a reverse lookup of an IPv4 address (network order).
HANDLE WsAsyncGetHostByAddr(HWND hwnd, UINT message, std::uint32_t addrNetOrder);
// Cancels a pending lookup: 0, or -1 with 10022 recorded for an unknown (finished) handle.
int WsCancelAsyncRequest(HANDLE handle);
// The result of the lookup whose completion message is being handled; nullptr otherwise.
const HostEntry* WsLookupResult(HANDLE handle);
// Lookups started and not yet delivered or cancelled (tests).
std::size_t PendingLookupCount();

} // namespace zuneigo::platform
