#include "ui/CommandSequencer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <string>

namespace liedspur {
namespace {

using Window = CommandSequencer::Window;

// A sequencer whose posted jobs wait, as the window's events do, until settled; it logs an
// activation as "A(" and ")" around what runs during the first one.
struct Sequencer {
    void settle() {
        while (!posted.empty()) {
            const CommandSequencer::Job job = std::move(posted.front());
            posted.pop_front();
            job();
        }
    }
    int activations() const { return int(std::ranges::count(log, 'A')); }

    std::deque<CommandSequencer::Job> posted;
    std::string log;
    std::function<void()> duringActivation;
    CommandSequencer sequencer{[this](CommandSequencer::Job job) { posted.push_back(job); },
                               [this] {
                                   log += "A(";
                                   if (const auto during = std::exchange(duringActivation, {}))
                                       during();
                                   log += ")";
                               }};
};

TEST(CommandSequencer, ActivationRunsAtStartAndAfterTheProgramsOwnWindowsOnly) {
    // M: the main window became active, O: one of the program's own windows, P: a passing
    // window, R: an activation was asked for, ".": the events waiting have run. The window's
    // tests have the start and the plain returns from a passing or an own window.
    for (const auto& [steps, activations] : std::initializer_list<std::pair<const char*, int>>{
             {"OMR", 0},      // never inside the event under way
             {"M.", 0},       // back from another program
             {"OPM.", 1},     // back from an own window past a message box
             {"OM.M.", 1},    // once per return
             {"RRR.", 1},     // requests waiting together
             {"OR.M.", 1}}) { // a request takes the place of the window system's return
        Sequencer s;
        for (const char* step = steps; *step; ++step) {
            if (*step == 'R')
                s.sequencer.requestActivation();
            else if (*step == '.')
                s.settle();
            else
                s.sequencer.windowActivated(*step == 'M'   ? Window::Main
                                            : *step == 'O' ? Window::Own
                                                           : Window::Passing);
        }
        EXPECT_EQ(s.activations(), activations) << steps;
    }
}

TEST(CommandSequencer, CommandsAndActivationsRunOneAfterAnotherInTheirOrder) {
    Sequencer s;
    const auto command = [&s](const char* name) { s.sequencer.run([&s, name] { s.log += name; }); };
    // The activation's message box lets events run: a search, the window system's return
    // from the index window, a request that finds one waiting, and a listing.
    s.duringActivation = [&] {
        command("S");
        s.sequencer.requestActivation();
        s.settle();
        s.sequencer.requestActivation();
        command("L");
    };
    command("X");
    s.sequencer.requestActivation();
    s.settle();
    EXPECT_EQ(s.log, "XA()SA()L");
}

} // namespace
} // namespace liedspur
