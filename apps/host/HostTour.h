#pragma once
#include <iosfwd>
#include <memory>
#include <string>

// The built-in tour of the lock on a headless screen: set a passcode, confirm it, leave, come
// back after 200 s, six wrong patterns, the wait, the right one, the unlock. One picture per
// step and a contact sheet of them all go into the folder; the transcript goes to the stream.
class VirtualClock;

class HostTour {
public:
    // Plays the tour on the running host (started, not yet launched) with the clock in force;
    // answers the exit status.
    static int run(const std::string& snapshotDirectory, std::ostream& out, std::shared_ptr<VirtualClock> clock);
};
