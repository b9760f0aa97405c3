#include "startup.h"

int main(int argc, char **argv)
{
    return vandoral::RunVandoral(argc, argv);
}
