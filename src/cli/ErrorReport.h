#pragma once

#include <QString>

#include <cstdio>
#include <string>

namespace kora::cli {

// How the tool reports a failure on standard error: one line, "kora7740p: " + the message with
// its lines joined (the window's boxes spread a message over lines; a script reads one), or with
// --json one JSON object on one line: {"error": code, "message": ..., "status": ..., "port": ...,
// "portName": ...}.

// The message on one line: its lines trimmed, empty ones left out, joined by blanks.
QString OneLine(const QString& message);

// The stable code of a failure, for scripts: "usage" for wrong usage (status 2); else from the
// message: "busy", "permission", "no-such-port", "line-lost", "no-echo", "not-on-d",
// "incomplete", "not-text", "not-found", "exists", "refused" (the controller said no), or
// "failed".
std::string ErrorCode(const QString& message, int status);

struct ErrorReport {
    bool json = false;
    std::string port;      // empty: none chosen
    std::string portLabel; // the controller's name, if any
};

// Prints the report and returns the status.
int ReportError(std::FILE* err, const ErrorReport& how, const QString& message, int status);

} // namespace kora::cli
