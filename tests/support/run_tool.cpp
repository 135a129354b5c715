#include "run_tool.h"
#include "temp_handheld.h"

#include <cstdio>
#include <sys/wait.h>

namespace testing_support
{

int RunTool(const std::string& name, const std::string& arguments, std::string* output, Streams streams)
{
    const std::string command = (ProgramDir() / name).string() + " " + arguments +
                                (streams == Streams::OutputAndErrors ? " 2>&1" : "");
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    std::string text;
    char buffer[512];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0)
        text.append(buffer, n);
    const int status = ::pclose(pipe);
    if (output)
        *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace testing_support
