#include "session/session_file.h"

#include <windows.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "session/key_script.h"

namespace session {

bool IsKeyScriptFile(const std::string& path) {
    KeyScript script;
    std::string error;
    return script.Load(path, &error);
}

bool IsTraceFile(const std::string& path) {
    static const char kStart[] = "{\"frame\":";
    std::ifstream in(path, std::ios::binary);
    char start[sizeof kStart - 1] = {};
    in.read(start, sizeof start);
    return in.gcount() == 0 || (in.gcount() == sizeof start && std::memcmp(start, kStart, sizeof start) == 0);
}

void SessionFile::Open(const std::string& path, bool force, bool (*isOurs)(const std::string& path)) {
    Close();
    path_ = path;
    if (path == "-") {
        file_ = stdout;
        return;
    }
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (!force && std::filesystem::exists(status)) {
        if (!std::filesystem::is_regular_file(status)) {
            Fail("it is not a regular file (--force writes to it all the same)");
            return;
        }
        if (!isOurs(path)) {
            Fail(std::string("the file there is not a ") + what_ + " (--force overwrites it)");
            return;
        }
    }
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) Fail(std::strerror(errno));
}

void SessionFile::WriteLine(const std::string& line) {
    if (file_ == nullptr) return;
    errno = 0;
    if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() || std::fflush(file_) != 0) {
        Fail(errno != 0 ? std::strerror(errno) : "write failed");
    }
}

void SessionFile::Close() {
    if (file_ == nullptr) return;
    FILE* file = file_;
    file_ = nullptr;
    if (file == stdout) {
        (void)std::fflush(stdout);  // each line was flushed as it was written (WriteLine)
    } else if (std::fclose(file) != 0) {
        Fail(std::strerror(errno));
    }
}

// Once: whatever failed, the file is given up and the game goes on.
void SessionFile::Fail(const std::string& why) {
    if (file_ != nullptr && file_ != stdout) (void)std::fclose(file_);  // already failed; a second error adds nothing
    file_ = nullptr;
    std::fprintf(stderr, "quorvel: cannot write the %s %s: %s; the game goes on without it\n", what_,
                 path_.c_str(), why.c_str());
    const std::string text = std::string("The ") + what_ + " cannot be written to " + path_ + ":\n" + why +
                             "\n\nThe game goes on without it.";
    MessageBoxA(NULL, text.c_str(), "Quorvel", MB_OK | MB_ICONERROR);
}

}  // namespace session
