// The one main of the core's test programs (doctest), natively and as
// Windows programs.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>
