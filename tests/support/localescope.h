// Runs a test under one of the C library's locales (what printf follows) and
// restores the previous one after. A locale the machine lacks is a failure of
// the test that needs it, never a silent fallback: scripts/test.sh generates
// fr_FR.UTF-8.
#pragma once

#include <clocale>
#include <string>

class LocaleScope {
public:
    explicit LocaleScope(const char *name)
    {
        const char *current = std::setlocale(LC_ALL, nullptr);
        saved_ = current ? current : "C";
        ok_ = std::setlocale(LC_ALL, name) != nullptr;
    }
    ~LocaleScope() { std::setlocale(LC_ALL, saved_.c_str()); }
    LocaleScope(const LocaleScope &) = delete;
    LocaleScope &operator=(const LocaleScope &) = delete;
    bool ok() const { return ok_; }

private:
    std::string saved_;
    bool ok_ = false;
};
