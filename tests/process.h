// Runs other programs for the tests that drive real hosts and tools: found
// through PATH, with variables added to the environment, output captured,
// killed when their time is up.
#pragma once

#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace testprocess {

struct Outcome {
    int status = -1;  // exit status, 128 + signal, or -1 when it timed out or did not start
    std::string output;  // standard output and error together
};

// Runs `args` to its end, its output in `log` (and returned).
Outcome runProgram(const std::vector<std::string>& args, const std::vector<std::string>& variables,
                   const std::filesystem::path& log, std::chrono::seconds timeout);

// A program left running: started, then stopped by its process id.
class Started {
public:
    Started(const std::vector<std::string>& args, const std::vector<std::string>& variables,
            const std::filesystem::path& log);
    ~Started();  // SIGTERM, then SIGKILL after a few seconds
    Started(const Started&) = delete;
    Started& operator=(const Started&) = delete;
    bool running();
    // Stops it with `signal` and waits (SIGKILL after `grace`); its exit status as runProgram gives it.
    int stop(int signal, std::chrono::seconds grace = std::chrono::seconds(5));
    int pid() const { return pid_; }

private:
    int pid_ = -1;
    int status_ = -1;
};

bool onPath(const std::string& program);
std::string slurp(const std::filesystem::path& path);

// The names an ELF shared library exports (its defined dynamic symbols),
// version nodes left out; empty when nm cannot read it.
std::set<std::string> exportedSymbols(const std::filesystem::path& library);

}  // namespace testprocess
