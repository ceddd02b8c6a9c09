// The server's log passes through a pipe of the printer application on its way to its file, standard error
// or the system log, and every line that names a magnetic-track attribute loses the value there: at debug
// level the framework logs every request attribute, and track data must never reach the log in clear.
#pragma once

#include <string>

namespace tolma::printerapp {

// Starts the pump towards `destination` (a file, "-" for standard error, "syslog") and gives the path
// the framework is to log to. Returns false with a reason.
bool StartLogPump(const std::string& destination, std::string& logPath, std::string& error);

// Removes the pipe's name once the framework has opened it.
void ForgetLogPumpPath(const std::string& logPath);

}  // namespace tolma::printerapp
