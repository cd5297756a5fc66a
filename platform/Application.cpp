// The application object and the platform's own message steps.
#include "platform/Application.h"

#include "platform/Messages.h"

namespace zuneigo::platform {

Application& Application::Instance()
{
    static Application* app = new Application(); // outlives every component
    return *app;
}

void Application::PlatformProcessMessages()
{
    MSG msg;
    while (PeekMessage(msg, true)) {
        if (msg.message == WM_QUIT) {
            Instance().Terminate();
            continue;
        }
        DispatchMessage(msg);
    }
}

void Application::PlatformWaitForMessage()
{
    WaitMessage(-1);
}

void Application::ProcessMessages()
{
    if (processStep_)
        processStep_();
    else
        PlatformProcessMessages();
}

void Application::WaitForMessage()
{
    if (waitStep_)
        waitStep_();
    else
        PlatformWaitForMessage();
}

void Application::HandleMessage()
{
    WaitForMessage();
    ProcessMessages();
}

void Application::Run()
{
    while (!terminated_)
        HandleMessage();
}

void Application::SetProcessMessagesStep(std::function<void()> step)
{
    processStep_ = std::move(step);
}

void Application::SetWaitStep(std::function<void()> step)
{
    waitStep_ = std::move(step);
}

} // namespace zuneigo::platform
