#include "driver_test_support.h"

namespace
{

CWlanApp theApp;

} // namespace

CWlanApp& TestApp()
{
    return theApp;
}
