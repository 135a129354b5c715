// The entry of a framework program: main() hands over to AfxWinMain, which runs the application object.
// Kept alone in its file, so that a program with a main() of its own (a test) does not take this one.
#include <afxwin.h>

#include <afx/app.h>

int main(int argc, char** argv)
{
    static int s_argc = argc;
    afx::internal::SetProgramArguments(&s_argc, argv);
    CString commandLine;
    for (int i = 1; i < argc; ++i)
    {
        if (i > 1)
            commandLine += u" ";
        commandLine += CString::FromUtf8(argv[i]);
    }
    return AfxWinMain(GetModuleHandleW(nullptr), nullptr, commandLine.GetBuffer(0), SW_SHOWNORMAL);
}
