// Runs a test row under a chosen decimal separator and restores it after.
#pragma once

#include "numtext.h"

class SeparatorScope {
public:
    explicit SeparatorScope(char sep) : saved_(vandoral::Formats().decimalSeparator)
    {
        vandoral::Formats().decimalSeparator = sep;
    }
    ~SeparatorScope() { vandoral::Formats().decimalSeparator = saved_; }

private:
    char saved_;
};
