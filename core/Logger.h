/// \file
/// The engine's plain-text log file, "Varno_Engine.log" in the working
/// directory. Every write is flushed at once so the file survives a crash.
#pragma once

#include <cstdio>

#include "base/NonCopyable.h"

/// Writes the log file; the engine reaches it through Engine::logger.
class Logger : NonCopyable {
public:
    Logger();
    ~Logger();

    /// Appends text unchanged (no line end added); with echo, also prints it
    /// with a line end on standard output.
    void write(const char* text, bool echo);

    /// True while the log file could be created and is open.
    bool isOpen() const { return logFile != nullptr; }

private:
    const char* logPath;
    FILE* logFile;
};
