// cardctl's commands: each takes the words after the command name, prints to out/err and returns the
// process exit code (0 done, 1 failed, 2 bad usage).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace cardctl
{

using Args = std::vector<std::string>;

int Run(const Args& args, std::ostream& out, std::ostream& err);
const char* HelpText();

} // namespace cardctl
