#pragma once

#include <QStringList>

#include <cstdio>

namespace kora::cli {

// Runs the tool on its arguments (the program name first) and returns the exit status: 0
// success, 1 a device or file failure, 2 wrong usage. Help goes to out, messages to err.
int RunCommandLine(const QStringList& arguments, std::FILE* out, std::FILE* err);

} // namespace kora::cli
