// What every fuzz target does with a rule that fails: abort, which both the
// fuzzer and the plain driver report with the input.
#pragma once

#include <cstdlib>

inline void Check(bool ok)
{
    if (!ok)
        std::abort();
}
