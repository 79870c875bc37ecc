#pragma once
#include <cstdarg>
#include <functional>
#include <string>
#include <vector>

// Foundation's format strings: %@ takes an NSObject* and prints its description ("(null)" for
// none); %d %i %u %o %x %X %c %s %p %f %F %e %E %g %G %a %A with the usual flags, width,
// precision and length modifiers (hh h l ll q z t j L); %% prints a percent sign. %n writes
// nothing. An unknown conversion is printed as written.
std::string NSStringWithFormat(const char* format, ...);
std::string NSStringWithFormatv(const char* format, va_list arguments);

// Formats the message and writes one line "2026-12-07 21:23:01.123 process[pid:tid] message"
// to stderr (local time of the clock in force), then hands the bare message to every sink. Control
// characters in the message are written as escapes (\n, \r, \t, \x1b, ...), so one call is always
// one line; a single newline at its end is dropped.
void NSLog(const char* format, ...);
void NSLogv(const char* format, va_list arguments);

// Sinks see every message as formatted, without the date and process prefix, in the order they
// were added. The token removes the sink again. Sinks and the stderr switch belong to the toolkit
// in force; with none alive, a message goes to stderr alone.
int NSLogAddSink(std::function<void(const std::string& message)> sink);
void NSLogRemoveSink(int token);
// The tokens of the sinks in place, oldest first.
std::vector<int> NSLogSinkTokens();
// Whether NSLog writes to stderr at all (on by default).
void NSLogSetStderrEnabled(bool enabled);
bool NSLogStderrEnabled();
// The line NSLog writes to stderr for a message, newline included.
std::string NSLogFormatLine(const std::string& message);
