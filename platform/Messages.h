#pragma once
// Hidden windows and the per-thread message queue.
//
// Every thread that creates a window owns one FIFO of posted messages. Any thread may
// post to any live window; the message lands in the queue of the window's thread.
// Socket notifications (SocketApi.h) and lookup results (HostLookup.h) reach the owner
// thread as ordinary posted messages on the same queue, so one pump handles everything.
//
// Waiting never spins: WaitMessage blocks in the kernel until a message is posted or a
// registered socket has something to report. QueueFd() is one descriptor that is readable
// while anything is pending; a GUI event loop can watch it instead of calling WaitMessage.
#include <cstdint>
#include <functional>

namespace zuneigo::platform {

using HWND = std::uint32_t; // 0 = no window
using UINT = unsigned int;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_USER = 0x0400;

// Halves of a 32-bit lParam, as socket notifications pack them (event bits low, error high).
constexpr std::uint16_t LoWord(LPARAM v) { return static_cast<std::uint16_t>(static_cast<std::uint32_t>(v) & 0xFFFF); }
constexpr std::uint16_t HiWord(LPARAM v) { return static_cast<std::uint16_t>((static_cast<std::uint32_t>(v) >> 16) & 0xFFFF); }
constexpr LPARAM MakeLParam(std::uint16_t lo, std::uint16_t hi)
{
    return static_cast<LPARAM>((static_cast<std::uint32_t>(hi) << 16) | lo);
}

struct MSG {
    HWND hwnd = 0;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

// The handler of a hidden window: (message, wParam, lParam) -> result.
using WindowProc = std::function<LRESULT(UINT message, WPARAM wParam, LPARAM lParam)>;

// Creates a hidden window owned by the calling thread. Never returns 0.
HWND CreateHiddenWindow(WindowProc proc);
// Destroys the window and drops its queued messages. Safe from inside its own handler:
// the handler that is running finishes first.
void DestroyWindow(HWND hwnd);
bool IsWindow(HWND hwnd);
// Replaces the handler (an empty one means default handling: result 0).
void SetWindowProc(HWND hwnd, WindowProc proc);

// Appends a message to the queue of the window's thread. Any thread. False when the
// window does not exist (any more).
bool PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Posts a message that belongs to a socket: it is dropped when the socket is closed
// before it is dispatched (WsCloseSocket), so a later socket with the same descriptor
// number never sees it. The socket layer uses this for its own write notifications.
bool PostSocketMessage(HWND hwnd, UINT message, int socket, LPARAM lParam);
// Posts WM_QUIT (wParam = exitCode, no window) to the calling thread's queue.
void PostQuitMessage(int exitCode);

// Takes the next message of the calling thread, oldest first, and removes it unless
// remove is false. False when nothing is pending. Collects ready socket events first.
bool PeekMessage(MSG& msg, bool remove = true);
// Calls the handler of msg.hwnd (default handling when the window is gone or has none).
// Exceptions of the handler propagate to the caller.
LRESULT DispatchMessage(const MSG& msg);
// Default handling of a message nobody handles: result 0.
LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Blocks the calling thread until a message is pending (posted, or a socket event).
// timeoutMs < 0 waits without limit. True when something is pending.
bool WaitMessage(int timeoutMs = -1);
// Waits for, removes and returns the next message; false for WM_QUIT.
bool GetMessage(MSG& msg);
// The number of messages queued for the calling thread right now (socket events not
// yet collected are not counted).
std::size_t PendingMessageCount();

// A descriptor that is readable (poll/select/epoll, level-triggered) while the calling
// thread has a message or socket event pending. Owned by the platform; do not close.
int QueueFd();

} // namespace zuneigo::platform
