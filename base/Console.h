/// \file
/// Progress and error messages. Each call writes and flushes at once, so the
/// output reads in order even when standard output is a pipe or a file.
#pragma once

#include <string>

namespace console {

/// Text on standard output without a line end.
void out(const std::string& text);
/// Text and a line end on standard output.
void outLine(const std::string& text);
/// Text and a line end on standard error.
void errLine(const std::string& text);

}  // namespace console
