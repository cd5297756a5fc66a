#pragma once
// TWSocket: the socket component as the rest of the system uses it. It adds no
// behaviour; it is the top of the layer stack.
#include "net/SyncWSocket.h"

namespace zuneigo {

class TWSocket : public TCustomSyncWSocket {
public:
    TWSocket() = default;
};

} // namespace zuneigo
