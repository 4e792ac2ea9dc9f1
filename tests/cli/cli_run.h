// Runs quelix-cli in a child process and captures its exit code and output bytes.
#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace cli_test {

struct Result {
    int exitCode = -1;
    std::string out; // standard output, raw bytes
    std::string err; // standard error
};

inline std::string readAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// `args` is appended to the binary's path as is (quote it yourself); `stdinFile` may be empty.
inline Result runCli(const std::string& args, const std::filesystem::path& stdinFile = {}) {
    static int counter = 0;
    auto dir = std::filesystem::temp_directory_path() / ("quelix_cli_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    auto outPath = dir / ("out" + std::to_string(counter));
    auto errPath = dir / ("err" + std::to_string(counter++));
    std::string cmd = std::string("'") + QUELIX_CLI + "' " + args + " >'" + outPath.string() + "' 2>'" +
                      errPath.string() + "'";
    cmd += stdinFile.empty() ? " </dev/null" : " <'" + stdinFile.string() + "'";
    int status = std::system(cmd.c_str());
    Result r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = readAll(outPath);
    r.err = readAll(errPath);
    return r;
}

} // namespace cli_test
