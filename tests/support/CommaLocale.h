#pragma once
#include "tests/support/TempDir.h"

#include <clocale>
#include <cstdlib>
#include <memory>
#include <string>

namespace orv::test {

// Switches LC_NUMERIC to a locale whose decimal separator is a comma for the
// life of the object, compiling one into a temporary folder when the machine
// has none installed. Active() is false when neither works.
class TCommaLocale {
public:
    TCommaLocale()
    {
        const char* previous = std::setlocale(LC_NUMERIC, nullptr);
        fSaved = previous ? previous : "C";
        if (const char* path = std::getenv("LOCPATH"))
            fSavedLocPath = path;
        fActive = Try();
        if (!fActive && Compile())
            fActive = Try();
    }
    ~TCommaLocale()
    {
        std::setlocale(LC_NUMERIC, fSaved.c_str());
        if (fSavedLocPath.empty())
            ::unsetenv("LOCPATH");
        else
            ::setenv("LOCPATH", fSavedLocPath.c_str(), 1);
    }
    bool Active() const { return fActive; }

private:
    static bool Try()
    {
        if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
            return false;
        return std::localeconv()->decimal_point[0] == ',';
    }
    bool Compile()
    {
        fDir = std::make_unique<TempDir>();
        const std::string target = fDir->Path() + "/de_DE.UTF-8";
        const std::string command = "localedef -i de_DE -f UTF-8 '" + target + "' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0)
            return false;
        ::setenv("LOCPATH", fDir->Path().c_str(), 1);
        return true;
    }

    std::string fSaved;
    std::string fSavedLocPath;
    std::unique_ptr<TempDir> fDir;
    bool fActive = false;
};

} // namespace orv::test
