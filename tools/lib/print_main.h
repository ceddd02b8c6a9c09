// tolma-print as a function: command line in, command stream file out, messages on standard error.
#pragma once

#include "platform/host/engine_session.h"
#include "tools/lib/print_run.h"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace tolma::tools {

// Where the driver and its data file are found.
struct PrintEnvironment {
  host::DrvEnableDriverFn enable = nullptr;    // DomaRaster's exported DrvEnableDriver
  host::DrvDisableDriverFn disable = nullptr;  // and DrvDisableDriver
  std::string toolFolder;                      // the default driver data file is Doma.dat in this folder
  // When set, is given the job just before it runs (the Windows check prints the same jobs with the real DLL).
  std::function<void(const PrintJob&)> jobReady;
};

// Runs tolma-print with the arguments after the program name. The stream goes to its file, or to `out`
// with "-o -"; help and lists go to `out`, progress and errors to `err`. Returns the exit status: 0 done,
// 1 the job could not be printed (nothing is written then), 2 a bad command line.
int PrintMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, const PrintEnvironment& env);

}  // namespace tolma::tools
