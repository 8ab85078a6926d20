#pragma once
// A locale with "," as decimal separator for the tests of number reading and writing.
// Machines often ship only C and POSIX, so the object compiles de_DE.UTF-8 into a private folder
// and points LOCPATH there while it lives; where localedef fails, LOCPATH stays as it was and an
// installed locale of that name may still serve (tests check the separator and skip without one).
#include "Environment.h"

#include <filesystem>

namespace sollist::test {

class DecimalCommaLocale {
public:
    static constexpr const char* Name = "de_DE.UTF-8";

    DecimalCommaLocale();
    ~DecimalCommaLocale(); // LOCPATH back as it was, the folder removed
    DecimalCommaLocale(const DecimalCommaLocale&) = delete;
    DecimalCommaLocale& operator=(const DecimalCommaLocale&) = delete;

private:
    std::filesystem::path dir_;
    EnvironmentGuard env_;
};

} // namespace sollist::test
