#include "tests/support/FactoryHome.h"

#include "store/IniFile.h"

#include <filesystem>

namespace orv::test {

std::string BinaryDir()
{
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(".") : exe.parent_path().string();
}

void SeedFactoryHome(const std::string& dir, int primaryMode, int controllerPort, int navPort)
{
    for (const auto& f : std::filesystem::directory_iterator(BinaryDir() + "/factory"))
        std::filesystem::copy(f.path(), dir + "/" + f.path().filename().string(),
                              std::filesystem::copy_options::overwrite_existing);
    TMemIniFile settings(dir + "/LastSelectedPreset.ini");
    settings.WriteInteger("PrimaryMode", "PrimaryModeID", primaryMode);
    settings.WriteString("GPS", "GPSPort", "COM" + std::to_string(navPort + 1));
    settings.UpdateFile();
    TMemIniFile startup(dir + "/OrvStartup.ini");
    startup.WriteInteger("Comm Settings", "LastOrvPort", controllerPort);
    startup.WriteInteger("Comm Settings", "CurrentCommTarget", 5);
    startup.UpdateFile();
}

} // namespace orv::test
