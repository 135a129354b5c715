// A second process for the kernel object tests.
//   kernel_objects_helper mutex NAME   creates the named mutex, prints GetLastError() and holds the
//                                      handle until its standard input closes
//   kernel_objects_helper idle         prints "ready" and waits until its standard input closes
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace
{

void WaitForStdinToClose()
{
    char buffer[64];
    while (::read(STDIN_FILENO, buffer, sizeof(buffer)) > 0)
    {
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "mutex") == 0)
    {
        std::string utf8 = argv[2];
        std::u16string name(utf8.begin(), utf8.end()); // test names are ASCII
        HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
        if (!mutex)
        {
            std::printf("failed %u\n", GetLastError());
            return 1;
        }
        std::printf("%u\n", GetLastError());
        std::fflush(stdout);
        WaitForStdinToClose();
        CloseHandle(mutex);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "idle") == 0)
    {
        std::printf("ready\n");
        std::fflush(stdout);
        WaitForStdinToClose();
        return 0;
    }
    std::fprintf(stderr, "usage: kernel_objects_helper mutex NAME | idle\n");
    return 2;
}
