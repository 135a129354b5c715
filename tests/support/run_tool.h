// Runs one of the build's programs (build/bin/NAME) with a command line and collects what it printed.
#pragma once

#include <string>

namespace testing_support
{

// Returns the program's exit status (-1 when it could not run or did not exit), with standard output
// and standard error in `output` when given.
int RunTool(const std::string& name, const std::string& arguments, std::string* output = nullptr);

} // namespace testing_support
