// Linked GL programs kept on disk from one run to the next as GL program binaries. Mesa builds
// its whole GLSL built-in library on a context's first glCompileShader (about 5 ms and 7 MB on
// llvmpipe), even when its own shader cache then skips the compile; a program loaded with
// glProgramBinary needs none of it, so a warm start compiles no GLSL at all.
//
// Each program is one file named by a hash of the driver's identity and the two sources. The
// file repeats that whole key and a checksum over key and binary; a file that is short, foreign,
// damaged or refused by the driver counts as missing and is written anew after the compile.
#pragma once

#include <GL/glcorearb.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace qv::d3d {

// FNV-1a over `size` bytes; `h` continues a hash already begun.
uint64_t Fnv1a(const void* data, size_t size, uint64_t h = 1469598103934665603ull);

class ProgramStore {
public:
    // Picks the directory: QV_PROGRAM_CACHE names it ("0" turns the store off), else
    // $XDG_CACHE_HOME/quorvel/programs, else ~/.cache/quorvel/programs. Needs a current context,
    // whose driver must offer a binary format and whose identity becomes part of every key.
    void Open();
    bool enabled() const { return !directory_.empty(); }
    // Whether the driver offers a binary format at all (some software rasterisers do not).
    bool offered() const { return offered_; }

    // What a program is kept under: the driver's identity and both sources.
    std::string Key(const std::string& vertex, const std::string& fragment) const;
    // A program linked from the binary kept under `key`, or 0.
    GLuint Load(const std::string& key) const;
    // Keeps `program`'s binary under `key`. Failing to write is not an error: the next start
    // compiles again.
    void Keep(GLuint program, const std::string& key) const;

private:
    std::string PathOf(const std::string& key) const;
    bool offered_ = false;

    std::string directory_;
    std::string driver_;
};

// The program for a vertex and a fragment shader text (output "oColor" at colour 0): loaded from
// `store` when it holds it, else compiled, linked and kept there. 0 if GL refuses it; `what`
// names the program in the compiler's messages on stderr; `loaded` says whether it came from
// the store.
GLuint BuildProgram(const ProgramStore& store, const std::string& vertex, const std::string& fragment,
                    const char* what, bool* loaded = nullptr);

} // namespace qv::d3d
