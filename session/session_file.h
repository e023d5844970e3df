// An output file of a live game (a recording, a trace), kept apart from the game's fate: a file
// that cannot be written is reported once, on stderr and in a message box, and the game goes on
// without it.
#pragma once

#include <cstdio>
#include <string>

namespace session {

class SessionFile {
public:
    explicit SessionFile(const char* what) : what_(what) {}
    ~SessionFile() { Close(); }
    SessionFile(const SessionFile&) = delete;
    SessionFile& operator=(const SessionFile&) = delete;

    // "-" is stdout. `isOurs` says whether an existing file may be replaced without `force`.
    void Open(const std::string& path, bool force, bool (*isOurs)(const std::string& path));
    // Writes one whole line and hands it to the system at once, so that a killed game keeps it.
    void WriteLine(const std::string& line);
    void Close();
    bool open() const { return file_ != nullptr; }

private:
    void Fail(const std::string& why);

    const char* what_;
    std::string path_;
    FILE* file_ = nullptr;
};

// Whether an existing file may be replaced by a recording or a trace: it is empty or already one.
bool IsKeyScriptFile(const std::string& path);
bool IsTraceFile(const std::string& path);

}  // namespace session
