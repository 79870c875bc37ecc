#pragma once
// The one state object of its kind that the living Toolkit has put in force. Each layer's state
// keeps one such slot; its accessors are defined out of line, so the slot lives in the toolkit
// library alone, shared by the host and the libraries it loads.
#include <atomic>
#include <cstdio>
#include <cstdlib>

template <class State>
class InForce {
public:
    // The state in force. With none, says which part was reached for and aborts: a programming
    // error, since every program and every test builds a Toolkit first.
    static State& get(const char* what)
    {
        State* state = slot().load();
        if (!state) {
            std::fprintf(stderr, "glyphward: %s used with no Toolkit alive\n", what);
            std::abort();
        }
        return *state;
    }
    // The state in force, or null.
    static State* find() { return slot().load(); }
    // Puts this state in force (or none) and answers the one it replaces.
    static State* exchange(State* state) { return slot().exchange(state); }

private:
    static std::atomic<State*>& slot()
    {
        static std::atomic<State*> state { nullptr };
        return state;
    }
};
