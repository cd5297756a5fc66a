#pragma once
// Joins the platform's message queue to Qt's event loop in both directions:
// - while Qt's loop runs, a QSocketNotifier on the queue's descriptor dispatches the
//   platform's messages and socket events as they arrive;
// - while a component waits in the platform's loop (a synchronous request inside a button
//   handler), its message step also runs Qt's pending events and its wait step sleeps in
//   one poll on Qt's and the platform's sources.
// An idle wait therefore blocks; it never spins.
#include <memory>

class QSocketNotifier;

namespace zuneigo {

class TQtBridge {
public:
    // Installs the steps in platform::Application and watches the queue's descriptor.
    // Needs a QApplication. The steps are removed again by the destructor.
    TQtBridge();
    ~TQtBridge();
    TQtBridge(const TQtBridge&) = delete;
    TQtBridge& operator=(const TQtBridge&) = delete;

private:
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace zuneigo
