// The subcommands of varno-inspect. Each returns the process exit status:
// 0 read, 1 rejected (the reader's message on standard error), 2 wrong usage.
#pragma once

int inspectImage(const char* file, const char* ppm);
int inspectModel(const char* file);
int inspectXml(const char* file);
