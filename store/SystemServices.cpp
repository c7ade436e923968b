#include "store/SystemServices.h"

#include "platform/ProcessRunner.h"
#include "platform/SystemScripts.h"
#include "store/Format.h"
#include "store/IniFile.h"
#include "store/IniPaths.h"
#include "store/IniStamp.h"
#include "store/Log.h"

#include <cerrno>
#include <fstream>
#include <regex>
#include <unistd.h>

namespace orv {

namespace {
const char* const kCheckScript = "CheckEWF.sh";
const char* const kEnableScript = "EnableEWF.sh";
const char* const kStateFile = "EWF_State.txt";
const char* const kShutDownScript = "ShutDown.sh";
} // namespace

TSystemServices::TSystemServices(IProcessRunner& runner, std::string iniDirectory, bool noKillExplorer, Delay delay)
    : fRunner(runner), fDir(ExcludeTrailingSlash(iniDirectory)), fNoKillExplorer(noKillExplorer),
      fDelay(std::move(delay))
{
}

std::string TSystemServices::FilePath(const std::string& name) const
{
    return PathJoin(fDir, {}, name);
}

int TSystemServices::RunAndWait(const TProcessStart& start, const std::string& what)
{
    auto process = fRunner.Start(start);
    if (!process) {
        Log("Could not start %s", what);
        return -1;
    }
    return WaitAndLog(*process, what);
}

int TSystemServices::WaitAndLog(IProcess& process, const std::string& what)
{
    int code = -1;
    switch (WaitForExit(process, fDelay, kScriptLimitMs, &code)) {
    case TWaitResult::Exited:
        Log("%s ended with exit code %d", what, code);
        return code;
    case TWaitResult::TimedOut:
        Log("%s still running after %d ms: left to finish on its own", what, static_cast<int>(kScriptLimitMs));
        return -1;
    case TWaitResult::Terminating:
        Log("%s still running as the program ends", what);
        return -1;
    }
    return -1;
}

bool TSystemServices::CheckWriteFilter()
{
    const std::string state = FilePath(kStateFile);
    // A state file left from an earlier start must not speak for this one.
    if (::unlink(state.c_str()) != 0 && errno != ENOENT)
        Log("Could not delete %s", state);
    const std::string script = FilePath(kCheckScript);
    if (!WriteScriptFile(script, CheckWriteFilterScript(state))) {
        Log("Could not write %s", script);
        return false;
    }
    RunAndWait({script, {}, fDir, TShowMode::Hidden}, kCheckScript);
    std::ifstream in(state);
    std::string line;
    while (std::getline(in, line)) {
        for (auto& c : line)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        // "disabled" holds no "enabled"; the check is for the word itself.
        for (size_t p = line.find("enabled"); p != std::string::npos; p = line.find("enabled", p + 1))
            if (p == 0 || line[p - 1] != 's')
                return true;
    }
    return false;
}

void TSystemServices::EnableWriteFilter()
{
    const std::string script = FilePath(kEnableScript);
    if (!WriteScriptFile(script, EnableWriteFilterScript())) {
        Log("Could not write %s", script);
        return;
    }
    RunAndWait({script, {}, fDir, TShowMode::Hidden}, kEnableScript);
}

void TSystemServices::CheckAndEnableWriteFilter()
{
    const std::string kind = VolatileFileSystemOf(fDir);
    if (!kind.empty())
        Log("Warning: the settings folder %s lies on %s: settings saved there vanish at power-off", fDir, kind);
    if (CheckWriteFilter())
        return;
    if (fNoKillExplorer) {
        Log("Write filter not enabled; left so on a development machine (NoKillExplorer)");
        return;
    }
    EnableWriteFilter();
}

void TSystemServices::EndShell()
{
    if (fNoKillExplorer)
        return;
    RunAndWait({"systemctl", {"--no-block", "stop", kShellUnit}, "/", TShowMode::Hidden}, "systemctl stop shell");
}

void TSystemServices::StartShell()
{
    if (fNoKillExplorer)
        return;
    RunAndWait({"systemctl", {"--no-block", "start", kShellUnit}, "/", TShowMode::Hidden}, "systemctl start shell");
}

bool TSystemServices::CloseAndShutDown()
{
    if (fNoKillExplorer)
        return false;
    const std::string script = FilePath(kShutDownScript);
    if (!FileExists(script)) {
        StartShell();
        return false;
    }
    auto process = fRunner.Start({script, {}, fDir, TShowMode::Shown});
    if (!process) {
        Log("Cannot Open file: %s", script);
        return false;
    }
    WaitAndLog(*process, kShutDownScript);
    return true;
}

uint32_t ReadRemoteSupportId(const TMemIniFile& startupIni)
{
    try {
        const std::string file = startupIni.ReadString("Remote Support", "IdFile", "");
        if (file.empty())
            return 0;
        std::string text;
        if (!ReadWholeFile(file, text))
            return 0;
        const std::regex pattern(startupIni.ReadString("Remote Support", "IdPattern", "(-?[0-9]+)"));
        std::smatch m;
        if (!std::regex_search(text, m, pattern))
            return 0;
        const std::string digits = Trim(m.size() > 1 && m[1].matched ? m[1].str() : m[0].str());
        // A negative identifier is no identifier.
        if (digits.empty() || digits.size() > 10 || digits.find_first_not_of("0123456789") != std::string::npos)
            return 0;
        const unsigned long long v = std::stoull(digits);
        return v > 0xFFFFFFFFull ? 0 : static_cast<uint32_t>(v);
    } catch (...) {
        return 0;
    }
}

std::string RemoteSupportText(uint32_t id)
{
    return id == 0 ? std::string() : Format("Pelorin Quick Support ID: %u", id);
}

} // namespace orv
