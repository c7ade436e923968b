#include "sim/ControlSocket.h"
#include "sim/SimLog.h"
#include "sim/SimOptions.h"
#include "sim/Simulator.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace orv::sim;

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    const auto options = ParseSimOptions(args, error);
    if (!options) {
        std::fprintf(stderr, "orvane-sim: %s\n", error.c_str());
        return 2;
    }
    if (options->Help) {
        std::fputs(SimHelpText().c_str(), stdout);
        return 0;
    }
    if (options->SendCommand) {
        std::string answer;
        if (!TControlSocket::SendCommand(options->ControlSocket, *options->SendCommand, answer, error)) {
            std::fprintf(stderr, "orvane-sim: %s\n", error.c_str());
            return 1;
        }
        std::puts(answer.c_str());
        return answer.rfind("OK", 0) == 0 ? 0 : 1;
    }

    TSimLog log;
    if (!options->LogFile.empty() && !log.OpenFile(options->LogFile, error)) {
        std::fprintf(stderr, "orvane-sim: %s\n", error.c_str());
        return 2;
    }
    int code = 0;
    {
        TSimulator sim(*options, log);
        if (!sim.Start(error)) {
            std::fprintf(stderr, "orvane-sim: %s\n", error.c_str());
            log.Line("not started: " + error);
            return 1;
        }
        std::printf("%s\n", sim.ReadyLine().c_str());
        std::fflush(stdout);
        code = sim.Run();
    }
    return code;
}
