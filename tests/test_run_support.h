// For suites that run the project's programs: a scratch directory per test, files in it, and a
// command run through the shell with its exit code, stdout and stderr.
#pragma once

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

class RunDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        namespace fs = std::filesystem;
        std::random_device random;
        for (int tries = 0; tries < 100 && dir_.empty(); ++tries) {
            const fs::path dir = fs::temp_directory_path() / ("qv-run-" + std::to_string(random()));
            std::error_code error;
            if (fs::create_directory(dir, error)) dir_ = dir.string();
        }
        ASSERT_FALSE(dir_.empty());
    }
    void TearDown() override {
        std::error_code error;
        std::filesystem::remove_all(dir_, error);
    }

    std::string Path(const std::string& name) const { return (std::filesystem::path(dir_) / name).string(); }

    void WriteFile(const std::string& name, const std::string& text) {
        std::ofstream(Path(name), std::ios::binary) << text;
    }

    // Runs a shell command; returns its exit code, with its stdout and stderr in out_ and err_.
    int Run(const std::string& command) {
        int status = std::system((command + " >" + Path("out") + " 2>" + Path("err")).c_str());
        out_ = Read("out");
        err_ = Read("err");
#ifdef _WIN32
        return status;  // cmd.exe's, which is the program's exit code
#else
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
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
