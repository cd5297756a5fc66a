// Asynchronous lookups: getaddrinfo/getnameinfo on a helper thread per lookup; results
// reach the owner only as a posted message.
#include "platform/HostLookup.h"

#include "platform/PlatformInternal.h"
#include "platform/SocketLibrary.h"

#include <netdb.h>
#include <sys/socket.h>
#include <thread>

namespace zuneigo::platform {

namespace detail {

struct LookupRequest {
    HANDLE handle = 0;
    HWND hwnd = 0;
    UINT message = 0;
    bool reverse = false;
    std::string name;
    std::uint32_t addr = 0;
    HostEntry result; // written by the helper before the message is posted
};

namespace {

// The result of the lookup message this thread took last; valid until its next one.
thread_local std::shared_ptr<LookupRequest> tlsDelivered;

void RunLookup(std::shared_ptr<LookupRequest> req)
{
    HostEntry entry;
    int error = 0;
    if (!req->reverse) {
        // Not WsGetHostByName: the library may have been stopped meanwhile (the last
        // component destroyed), and a helper must not start it again behind its back.
        if (!LookupHostName(req->name, entry)) error = WsGetLastError();
    } else {
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = req->addr;
        char host[1025];
        int rc = ::getnameinfo(reinterpret_cast<sockaddr*>(&sa), sizeof sa, host, sizeof host, nullptr, 0, NI_NAMEREQD);
        if (rc != 0) {
            error = GaiErrorToWsaError(rc);
        } else {
            entry.name = host;
            entry.addresses.push_back(req->addr);
        }
    }
    State& s = GetState();
    std::lock_guard lock(s.mutex);
    auto it = s.lookups.find(req->handle);
    if (it == s.lookups.end() || it->second != req) return; // cancelled
    req->result = std::move(entry);
    auto w = s.windows.find(req->hwnd);
    if (w == s.windows.end()) {
        s.lookups.erase(it);
        return;
    }
    PushLocked(*w->second->queue,
               QueuedMessage{MSG{req->hwnd, req->message, static_cast<WPARAM>(req->handle), MakeLParam(0, static_cast<std::uint16_t>(error))},
                             MessageKind::Lookup, static_cast<std::intptr_t>(req->handle)});
}

HANDLE Start(std::shared_ptr<LookupRequest> req)
{
    State& s = GetState();
    {
        std::lock_guard lock(s.mutex);
        if (!s.windows.count(req->hwnd)) {
            WsSetLastError(WSAEINVAL);
            return 0;
        }
        do {
            req->handle = s.nextLookup++;
        } while (req->handle == 0 || s.lookups.count(req->handle));
        s.lookups[req->handle] = req;
    }
    try {
        std::thread(RunLookup, req).detach();
    } catch (const std::system_error&) {
        std::lock_guard lock(s.mutex);
        s.lookups.erase(req->handle);
        WsSetLastError(WSAENOBUFS);
        return 0;
    }
    return req->handle;
}

} // namespace

void LookupMessageTaken(HANDLE handle)
{
    if (handle == 0) {
        tlsDelivered.reset();
        return;
    }
    State& s = GetState();
    std::lock_guard lock(s.mutex);
    auto it = s.lookups.find(handle);
    if (it == s.lookups.end()) {
        tlsDelivered.reset();
        return;
    }
    tlsDelivered = it->second;
    s.lookups.erase(it);
}

void DropWindowLookupsLocked(State& s, HWND hwnd)
{
    std::erase_if(s.lookups, [hwnd](const auto& kv) { return kv.second->hwnd == hwnd; });
}

} // namespace detail

using namespace detail;

HANDLE WsAsyncGetHostByName(HWND hwnd, UINT message, const std::string& name)
{
    if (!SocketLibraryRunning()) SocketLibraryStart();
    auto req = std::make_shared<LookupRequest>();
    req->hwnd = hwnd;
    req->message = message;
    req->name = name;
    return Start(std::move(req));
}

HANDLE WsAsyncGetHostByAddr(HWND hwnd, UINT message, std::uint32_t addrNetOrder)
{
    if (!SocketLibraryRunning()) SocketLibraryStart();
    auto req = std::make_shared<LookupRequest>();
    req->hwnd = hwnd;
    req->message = message;
    req->reverse = true;
    req->addr = addrNetOrder;
    return Start(std::move(req));
}

int WsCancelAsyncRequest(HANDLE handle)
{
    State& s = GetState();
    std::lock_guard lock(s.mutex);
    auto it = s.lookups.find(handle);
    if (it == s.lookups.end()) {
        WsSetLastError(WSAEINVAL);
        return SOCKET_ERROR;
    }
    s.lookups.erase(it);
    PurgeLocked(s, [handle](const QueuedMessage& m) {
        return m.kind == MessageKind::Lookup && m.tag == static_cast<std::intptr_t>(handle);
    });
    return 0;
}

const HostEntry* WsLookupResult(HANDLE handle)
{
    if (tlsDelivered && tlsDelivered->handle == handle) return &tlsDelivered->result;
    return nullptr;
}

std::size_t PendingLookupCount()
{
    State& s = GetState();
    std::lock_guard lock(s.mutex);
    return s.lookups.size();
}

} // namespace zuneigo::platform
