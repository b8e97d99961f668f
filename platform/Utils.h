// Frame timing, the frame-rate caption and the debugging draw routines.
#pragma once

class Utils {
public:
    Utils() = default;
    Utils(const Utils&) = delete;
    Utils& operator=(const Utils&) = delete;
};
