#include "sim/BoardStateFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace orv::sim {

namespace {
constexpr const char* kSlotPrefix = "[board slot ";
} // namespace

bool LoadBoardStates(const std::string& path, std::vector<TControllerBoard>& boards, std::string& error)
{
    std::ifstream in(path);
    if (!in) {
        if (errno == ENOENT)
            return true;
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    // Into copies first, so that a bad line changes nothing.
    std::vector<TControllerBoard> loaded = boards;
    TControllerBoard* current = nullptr;
    bool skipping = false;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        const std::string where = path + " line " + std::to_string(number) + ": ";
        if (line.rfind(kSlotPrefix, 0) == 0 && line.back() == ']') {
            const std::string slot = line.substr(std::strlen(kSlotPrefix), line.size() - std::strlen(kSlotPrefix) - 1);
            char* end = nullptr;
            const long n = std::strtol(slot.c_str(), &end, 10);
            if (slot.empty() || *end != '\0' || n < 0) {
                error = where + "\"" + line + "\" is not a board section";
                return false;
            }
            // Settings of a board that is not on the bus this time are kept out of the way.
            skipping = size_t(n) >= loaded.size();
            current = skipping ? nullptr : &loaded[size_t(n)];
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos || (!current && !skipping)) {
            error = where + "\"" + line + "\" is not FIELD=VALUE inside a board section";
            return false;
        }
        if (skipping)
            continue;
        if (!current->SetField(line.substr(0, eq), line.substr(eq + 1), error)) {
            error = where + error;
            return false;
        }
    }
    boards = std::move(loaded);
    return true;
}

std::string BoardStatesText(const std::vector<TControllerBoard>& boards)
{
    std::ostringstream text;
    text << "# orvane-sim: settings the controller boards keep across runs\n";
    for (size_t i = 0; i < boards.size(); ++i) {
        text << kSlotPrefix << i << "]\n";
        for (const auto& name : TControllerBoard::StoredFieldNames()) {
            std::string value;
            boards[i].GetField(name, value);
            text << name << "=" << value << "\n";
        }
    }
    return text.str();
}

bool SaveBoardStates(const std::string& path, const std::string& text, std::string& error)
{
    const std::string temporary = path + ".tmp";
    FILE* f = std::fopen(temporary.c_str(), "w");
    if (!f) {
        error = "cannot write " + temporary + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace orv::sim
