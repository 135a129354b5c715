#include "commands.h"

#include <iostream>

int main(int argc, char** argv)
{
    cardctl::Args args(argv + 1, argv + argc);
    try
    {
        return cardctl::Run(args, std::cout, std::cerr);
    }
    catch (const std::exception& e)
    {
        std::cerr << "cardctl: " << e.what() << "\n";
        return 1;
    }
}
