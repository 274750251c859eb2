// The packaging tool's commands, kept apart from main() so that tests run them in-process.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace Ipk5 {

enum TExitCode { ecSuccess = 0, ecFailure = 1, ecUsage = 2 };

// Runs one command line (without the program name). Normal output goes to Out as UTF-8,
// errors and usage to Err. Returns ecSuccess, ecFailure (a bad package, a missing entry, an
// unreadable or unwritable file) or ecUsage.
int Run(const std::vector<std::u16string>& args, std::ostream& out, std::ostream& err);

} // namespace Ipk5
