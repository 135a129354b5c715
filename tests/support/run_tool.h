// Runs one of the build's programs (build/bin/NAME) with a command line and collects what it printed.
#pragma once

#include <string>

namespace testing_support
{

enum class Streams
{
    OutputAndErrors,
    OutputOnly, // standard error goes where the test's own goes
};

// Returns the program's exit status (-1 when it could not run or did not exit), with what it printed in
// `output` when given.
int RunTool(const std::string& name, const std::string& arguments, std::string* output = nullptr,
            Streams streams = Streams::OutputAndErrors);

} // namespace testing_support
