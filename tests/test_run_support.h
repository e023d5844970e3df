// For suites that run the project's programs: a scratch directory per test, files in it, and a
// command run through the shell with its exit code, stdout and stderr.
#pragma once

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

class RunDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/qv-run-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        dir_ = dir;
    }
    void TearDown() override { std::system(("rm -rf " + dir_).c_str()); }

    std::string Path(const std::string& name) const { return dir_ + "/" + name; }

    void WriteFile(const std::string& name, const std::string& text) {
        std::ofstream(Path(name), std::ios::binary) << text;
    }

    // Runs a shell command; returns its exit code, with its stdout and stderr in out_ and err_.
    int Run(const std::string& command) {
        int status = std::system((command + " >" + Path("out") + " 2>" + Path("err")).c_str());
        out_ = Read("out");
        err_ = Read("err");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string Read(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::vector<std::string> Lines(const std::string& name) const {
        std::vector<std::string> lines;
        std::istringstream in(Read(name));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    std::string dir_;
    std::string out_;
    std::string err_;
};
