// Runs the built lumiro-db in a child process for end-to-end tests, and gives each test a
// private scratch folder.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace lumiro::tools::testing {

class ScratchDir {
  public:
    ScratchDir() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/lumiro-db-XXXXXX";
        if (!::mkdtemp(pattern.data())) std::abort();
        path_ = pattern;
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string file(const std::string& name) const { return (path_ / name).string(); }
    void write(const std::string& name, const std::string& text) const {
        std::ofstream(file(name), std::ios::binary) << text;
    }
    std::string read(const std::string& name) const {
        std::ifstream in(file(name), std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

struct RunResult {
    int exitCode = -1;  // -1 when killed by a signal
    std::string out;
    std::string err;
};

// Runs lumiro-db with `args`; stdout and stderr are collected through files in `dir`.
inline RunResult runLumiroDb(const ScratchDir& dir, const std::vector<std::string>& args) {
    std::string outPath = dir.file(".stdout");
    std::string errPath = dir.file(".stderr");
    pid_t pid = ::fork();
    if (pid == 0) {
        int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0) ::_exit(126);
        ::dup2(out, 1);
        ::dup2(err, 2);
        std::vector<char*> argv;
        std::string exe = LUMIRO_DB_EXE;
        argv.push_back(exe.data());
        std::vector<std::string> copy = args;
        for (std::string& a : copy) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(exe.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    RunResult r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = dir.read(".stdout");
    r.err = dir.read(".stderr");
    return r;
}

}  // namespace lumiro::tools::testing
