// The fixture of the tests that run nerovan-render as scripts do: a fresh
// folder for its files, and a run that gives back its exit status and what
// it printed.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace nerovan {

struct Result {
    int Status = -1;
    std::string Out, Err;
};

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline std::string ShellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

class RenderCli : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/nerovan-cli-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override { std::system(("rm -rf " + ShellQuote(dir)).c_str()); }

    // Runs the renderer with the arguments; `input`, when given, is its
    // standard input.
    Result Run(const std::vector<std::string>& args, const std::string* input = nullptr) {
        std::string cmd = Env + ShellQuote(NEROVAN_RENDER_PATH);
        for (const auto& a : args) cmd += " " + ShellQuote(a);
        cmd += " >" + dir + "/out 2>" + dir + "/err";
        if (input) {
            std::ofstream(dir + "/in", std::ios::binary) << *input;
            cmd += " <" + dir + "/in";
        }
        Result r;
        const int raw = std::system(cmd.c_str());
        r.Status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.Out = ReadAll(dir + "/out");
        r.Err = ReadAll(dir + "/err");
        return r;
    }
    std::string Path(const std::string& name) { return dir + "/" + name; }
    bool Exists(const std::string& name) { return access(Path(name).c_str(), F_OK) == 0; }

    std::string dir;
    // Put before the command: "NAME=VALUE " settings of its environment.
    std::string Env;
};

}  // namespace nerovan
