#pragma once
// The application object: whether the program is closing, and the step that processes
// pending messages. Without a GUI the step is the platform's own pump; the GUI installs
// one that also runs the toolkit's pending events (and a wait that sleeps in its loop).
#include <functional>

namespace zuneigo::platform {

class Application {
public:
    // The one application object of the process.
    static Application& Instance();

    // Set when the application is closing (a quit message reached ProcessMessages, or
    // Terminate was called). Waits that see it give up.
    bool Terminated() const { return terminated_; }
    void Terminate() { terminated_ = true; }
    // Tests and restarts of the loop clear it again.
    void SetTerminated(bool value) { terminated_ = value; }

    // Handles every message pending for the calling thread, then returns. A quit message
    // is consumed and sets Terminated.
    void ProcessMessages();
    // Blocks until something is pending (never spins). Returns at once if it already is.
    void WaitForMessage();
    // One round of the main loop: wait, then process.
    void HandleMessage();
    // Runs the loop until Terminated.
    void Run();

    // Replaces the two steps; an empty function restores the platform's own.
    void SetProcessMessagesStep(std::function<void()> step);
    void SetWaitStep(std::function<void()> step);

    // The platform's own steps, for replacements that extend them.
    static void PlatformProcessMessages();
    static void PlatformWaitForMessage();

private:
    Application() = default;
    bool terminated_ = false;
    std::function<void()> processStep_;
    std::function<void()> waitStep_;
};

} // namespace zuneigo::platform
