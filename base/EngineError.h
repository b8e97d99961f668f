/// \file
/// The error raised when SDL cannot give the engine a window or its event
/// thread. Nothing inside the engine handles it; the program entry reports it.
#pragma once

#include <stdexcept>
#include <string>

/// An error SDL reported while the engine set up its window or events.
class EngineError : public std::runtime_error {
public:
    /// The error with its full message text.
    explicit EngineError(const std::string& message) : std::runtime_error(message) {}
};
