/// \file
/// The base of every class that owns what a copy would share: a window, a GL
/// name, a mixer sample, the objects a manager deletes.
#pragma once

/// Deletes copying for the classes that derive from it.
class NonCopyable {
public:
    NonCopyable(const NonCopyable&) = delete;
    NonCopyable& operator=(const NonCopyable&) = delete;

protected:
    NonCopyable() = default;
    ~NonCopyable() = default;
};
