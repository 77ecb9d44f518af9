#include "tests/process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace fs = std::filesystem;

namespace testprocess {

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(20);

int spawn(const std::vector<std::string>& args, const std::vector<std::string>& variables, const fs::path& log) {
    std::vector<std::string> env = variables;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string key = entry.substr(0, entry.find('=') + 1);
        if (std::none_of(variables.begin(), variables.end(), [&](const std::string& v) { return v.rfind(key, 0) == 0; }))
            env.push_back(entry);
    }
    std::vector<char*> argv, envp;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    argv.push_back(nullptr);
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

int statusOf(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status); }

// Waits for the process until the deadline; false when it is still running then.
bool waitUntil(int pid, std::chrono::steady_clock::time_point deadline, int& status) {
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(kPollInterval);
    }
    return true;
}

}  // namespace

Outcome runProgram(const std::vector<std::string>& args, const std::vector<std::string>& variables, const fs::path& log,
                   std::chrono::seconds timeout) {
    const int pid = spawn(args, variables, log);
    if (pid < 0) return {-1, "cannot start " + args[0]};
    Outcome r;
    int status = 0;
    if (!waitUntil(pid, std::chrono::steady_clock::now() + timeout, status)) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        r.output = slurp(log) + "\n(killed after " + std::to_string(timeout.count()) + " s)";
        return r;
    }
    r.status = statusOf(status);
    r.output = slurp(log);
    return r;
}

Started::Started(const std::vector<std::string>& args, const std::vector<std::string>& variables, const fs::path& log)
    : pid_(spawn(args, variables, log)) {}

Started::~Started() { stop(SIGTERM); }

bool Started::running() {
    int status = 0;
    if (pid_ < 0) return false;
    if (waitpid(pid_, &status, WNOHANG) == 0) return true;
    status_ = statusOf(status);
    pid_ = -1;
    return false;
}

int Started::stop(int signal, std::chrono::seconds grace) {
    if (!running()) return status_;
    kill(pid_, signal);
    int status = 0;
    if (!waitUntil(pid_, std::chrono::steady_clock::now() + grace, status)) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
        status_ = -1;
    } else {
        status_ = statusOf(status);
    }
    pid_ = -1;
    return status_;
}

bool onPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "");
    std::string dir;
    while (std::getline(dirs, dir, ':'))
        if (!dir.empty() && access((fs::path(dir) / program).c_str(), X_OK) == 0) return true;
    return false;
}

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::set<std::string> exportedSymbols(const fs::path& library) {
    std::set<std::string> symbols;
    FILE* pipe = popen((std::string(NM_PROGRAM) + " -D --defined-only '" + library.string() + "'").c_str(), "r");
    if (!pipe) return symbols;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
        char address[64], type[8], name[400];
        if (std::sscanf(line, "%63s %7s %399s", address, type, name) == 3 && type[0] != 'A') symbols.insert(name);
    }
    if (pclose(pipe) != 0) symbols.clear();
    return symbols;
}

}  // namespace testprocess
