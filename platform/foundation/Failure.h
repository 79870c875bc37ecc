#pragma once
#include <string>

// Why an operation did not do what it was asked: the call that failed, the file it was about,
// the errno the system gave (0 when it gave none) and the reason in words. The words are what a
// log line or an error message shows; the other parts are for callers that tell cases apart.
struct Failure {
    std::string call;
    std::string path;
    int error = 0;
    std::string message;

    // A failed system call on a file, said as "CALL PATH: <errno's text>".
    static Failure ofCall(std::string call, std::string path, int error);
    // A reason in words alone, with the file and errno behind it when there are any.
    static Failure because(std::string message, std::string path = {}, int error = 0);
    // The same failure said as part of a larger one: the words become before + message + after.
    Failure within(const std::string& before, const std::string& after = {}) const;
};
