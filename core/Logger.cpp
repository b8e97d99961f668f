#include "core/Logger.h"

#include "base/Console.h"

Logger::Logger() : logPath("Varno_Engine.log"), logFile(std::fopen(logPath, "w")) {
    if (logFile == nullptr) {
        console::outLine("Cannot create log file!");
        return;
    }
    std::fputs("Varno Engine Logger. Copyright (c) the Varno Engine developers.\n", logFile);
    std::fputs("Logger started...\n", logFile);
    std::fflush(logFile);
}

Logger::~Logger() {
    if (logFile != nullptr) {
        std::fputs("Logger stopped...\n", logFile);
        std::fflush(logFile);
        std::fclose(logFile);
    }
}

void Logger::write(const char* text, bool echo) {
    if (text == nullptr) {
        return;
    }
    if (logFile != nullptr) {
        std::fputs(text, logFile);
        std::fflush(logFile);
    }
    if (echo) {
        console::outLine(text);
    }
}
