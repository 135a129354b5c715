// Windows CE kernel extras (EventModify and friends live in winbase.h here).
#pragma once
#include <winbase.h>
