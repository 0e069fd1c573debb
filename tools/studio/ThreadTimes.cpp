#include "studio/ThreadTimes.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

// The name and the user plus system ticks from a thread's stat line:
// "tid (name) state ppid ..." with the times as the 14th and 15th fields. The
// name may hold spaces and parentheses; it ends at the last ')'.
bool readStat(const std::string& line, std::string& name, double& ticks) {
    const size_t open = line.find('(');
    const size_t close = line.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open)
        return false;
    name = line.substr(open + 1, close - open - 1);
    std::istringstream rest(line.substr(close + 1));
    std::string field;
    for (int skipped = 0; skipped < 11; ++skipped)
        rest >> field;
    unsigned long long user = 0, system = 0;
    if (!(rest >> user >> system))
        return false;
    ticks = static_cast<double>(user + system);
    return true;
}

} // namespace

std::map<std::string, double> threadSeconds() {
    std::map<std::string, double> seconds;
    const double ticksPerSecond = static_cast<double>(sysconf(_SC_CLK_TCK));
    const std::filesystem::path tasks = "/proc/self/task";
    const std::string mainThread = std::to_string(getpid());
    std::ifstream comm(tasks / mainThread / "comm");
    std::string mainName;
    std::getline(comm, mainName);
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        std::ifstream stat(task.path() / "stat");
        std::string line, name;
        double ticks = 0;
        if (!std::getline(stat, line) || !readStat(line, name, ticks))
            continue;
        if (task.path().filename() == mainThread)
            name = "main";
        else if (name == mainName)
            name = "unnamed";
        else
            name.erase(name.find_last_not_of("0123456789") + 1);
        seconds[name] += ticks / ticksPerSecond;
    }
    return seconds;
}
