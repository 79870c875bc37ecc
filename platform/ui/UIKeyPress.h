#pragma once

// One press of a key that enters a pattern, in toolkit terms: a digit names a node (1 the first),
// Enter lifts the finger, Cancel drops what was entered. Backends map their own keys to these.
struct UIKeyPress {
    enum class Kind { Digit, Enter, Cancel };

    Kind kind = Kind::Cancel;
    // 1…9 for a digit, 0 otherwise.
    int digit = 0;

    static UIKeyPress digitKey(int digit) { return { Kind::Digit, digit }; }
    static UIKeyPress enter() { return { Kind::Enter, 0 }; }
    static UIKeyPress cancel() { return { Kind::Cancel, 0 }; }
};
