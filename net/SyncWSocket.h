#pragma once
// TCustomSyncWSocket: waiting for an outcome without blocking the thread's messages. The
// wait pumps the thread's messages until a flag set by an event handler becomes true;
// between rounds it sleeps until the next message or socket event instead of spinning.
#include "net/LineWSocket.h"

#include <functional>

namespace zuneigo {

class TCustomSyncWSocket : public TCustomLineWSocket {
public:
    TCustomSyncWSocket();

    // 0 once done is true (at once, without pumping, when it already is); 12001 when the
    // application or this component's own loop is terminating. No time limit.
    virtual int WaitUntilDone(bool& done);
    // done := false, proc (when given), then WaitUntilDone(done).
    virtual int RunAndWait(const std::function<void()>& proc, bool& done);
};

} // namespace zuneigo
