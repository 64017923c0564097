#pragma once

#include <deque>
#include <functional>

namespace liedspur {

// Runs the main window's commands one at a time and decides when its activation runs. A
// search, listing, mode switch or activation always ends before the next starts, also when
// it lets window events run meanwhile; so two activations never nest, and at most one waits.
class CommandSequencer {
public:
    using Job = std::function<void()>;
    // A window the window system has just made active.
    enum class Window {
        Main,
        // The information and key-bindings windows.
        Own,
        // Message boxes, file dialogs and pop-up menus.
        Passing,
    };

    // `post` runs a job after the event under way; `activate` is the activation itself.
    CommandSequencer(std::function<void(Job)> post, Job activate);

    // Runs `job` now, or after the job under way and those already waiting.
    void run(Job job);
    // The activation runs anew, once, after the event under way, however the window
    // system hands the activation around meanwhile.
    void requestActivation();
    // The main window's activation counts only after one of the program's own windows was
    // active: a passing window hands it back without, and another program is no window here.
    void windowActivated(Window window);

private:
    std::function<void(Job)> m_post;
    Job m_activate;
    bool m_busy = false;
    std::deque<Job> m_waiting;
    bool m_activationQueued = false;
    bool m_activationCounts = false;
};

} // namespace liedspur
