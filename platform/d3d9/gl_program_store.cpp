#include "platform/d3d9/gl_program_store.h"

#include "platform/d3d9/gl_api.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

namespace qv::d3d {

using namespace qv::gl;

namespace {

constexpr char kMagic[8] = {'Q', 'V', 'P', 'R', 'O', 'G', '1', '\n'};
// Magic, key length, binary format, binary length, a zero word, checksum.
constexpr size_t kHeaderSize = 8 + 4 * 4 + 8;
// Far above any program of ours (a few tens of kilobytes); a bigger file is not one of ours.
constexpr uint64_t kLargestFile = 16u << 20;

void PutU32(std::vector<char>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(char((v >> (8 * i)) & 0xFF));
}

uint32_t GetU32(const char* p)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | uint8_t(p[i]);
    return v;
}

uint64_t GetU64(const char* p) { return uint64_t(GetU32(p)) | (uint64_t(GetU32(p + 4)) << 32); }

std::string GlString(GLenum name)
{
    const auto* s = reinterpret_cast<const char*>(glGetString(name));
    return s ? s : "";
}

// Says on stderr why GL refused a shader or a program (with GL's log and, for a shader, its
// text), and deletes it.
void Refused(GLuint object, bool program, const char* what, const char* failure, const char* source)
{
    char log[2048] = {};
    (program ? glGetProgramInfoLog : glGetShaderInfoLog)(object, sizeof log - 1, nullptr, log);
    std::fprintf(stderr, "d3d9: %s %s:\n%s\n%s%s", what, failure, log, source ? source : "", source ? "\n" : "");
    program ? glDeleteProgram(object) : glDeleteShader(object);
}

GLuint Compile(GLenum type, const std::string& text, const char* what)
{
    const GLuint shader = glCreateShader(type);
    const char* src = text.c_str();
    glShaderSource(shader, 1, &src, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok)
        return shader;
    Refused(shader, false, what, type == GL_VERTEX_SHADER ? "vertex shader rejected" : "fragment shader rejected", src);
    return 0;
}

} // namespace

uint64_t Fnv1a(const void* data, size_t size, uint64_t h)
{
    const auto* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) {
        h ^= p[i];
        h *= 1099511628211ull;
    }
    return h;
}

void ProgramStore::Open()
{
    directory_.clear();
    GLint formats = 0;
    if (glProgramBinary && glGetProgramBinary && glProgramParameteri)
        glGetIntegerv(GL_NUM_PROGRAM_BINARY_FORMATS, &formats);
    offered_ = formats > 0;
    if (!offered_)
        return;
    std::string dir;
    if (const char* chosen = std::getenv("QV_PROGRAM_CACHE"); chosen && *chosen) {
        if (std::strcmp(chosen, "0") == 0)
            return;
        dir = chosen;
    } else if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg == '/') {
        dir = std::string(xdg) + "/quorvel/programs";
    } else if (const char* home = std::getenv("HOME"); home && *home == '/') {
        dir = std::string(home) + "/.cache/quorvel/programs";
    } else {
        return;
    }
    // The version string carries the driver's release: a new Mesa makes new keys.
    driver_ = GlString(GL_VENDOR) + '\n' + GlString(GL_RENDERER) + '\n' + GlString(GL_VERSION) + '\n';
    directory_ = dir;
}

std::string ProgramStore::Key(const std::string& vertex, const std::string& fragment) const
{
    std::string key = driver_;
    key += vertex;
    key += '\0';
    key += fragment;
    return key;
}

std::string ProgramStore::PathOf(const std::string& key) const
{
    char name[24];
    std::snprintf(name, sizeof name, "%016llx", static_cast<unsigned long long>(Fnv1a(key.data(), key.size())));
    return directory_ + '/' + name;
}

GLuint ProgramStore::Load(const std::string& key) const
{
    if (!enabled())
        return 0;
    std::ifstream in(PathOf(key), std::ios::binary);
    if (!in)
        return 0;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < std::streamoff(kHeaderSize) || uint64_t(size) > kLargestFile)
        return 0;
    std::vector<char> file(static_cast<size_t>(size));
    in.seekg(0);
    if (!in.read(file.data(), size))
        return 0;
    const char* h = file.data();
    const uint64_t keyLength = GetU32(h + 8), format = GetU32(h + 12), binaryLength = GetU32(h + 16);
    if (std::memcmp(h, kMagic, sizeof kMagic) != 0 || GetU32(h + 20) != 0 || binaryLength == 0 ||
        kHeaderSize + keyLength + binaryLength != uint64_t(size) || keyLength != key.size() ||
        std::memcmp(h + kHeaderSize, key.data(), key.size()) != 0 ||
        Fnv1a(h + kHeaderSize, size_t(keyLength + binaryLength)) != GetU64(h + 24))
        return 0;

    const GLuint program = glCreateProgram();
    glProgramBinary(program, GLenum(format), h + kHeaderSize + keyLength, GLsizei(binaryLength));
    GLint ok = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    // A refused binary may raise INVALID_ENUM or INVALID_OPERATION; it is a miss, not a fault.
    for (int i = 0; i < 8 && glGetError() != GL_NO_ERROR; ++i) {
    }
    if (!ok) {
        glDeleteProgram(program);
        return 0;
    }
    return program;
}

void ProgramStore::Keep(GLuint program, const std::string& key) const
{
    if (!enabled())
        return;
    GLint length = 0;
    glGetProgramiv(program, GL_PROGRAM_BINARY_LENGTH, &length);
    if (length <= 0 || uint64_t(length) > kLargestFile / 2)
        return;
    std::vector<char> binary(static_cast<size_t>(length));
    GLsizei written = 0;
    GLenum format = 0;
    glGetProgramBinary(program, length, &written, &format, binary.data());
    if (written <= 0 || written > length)
        return;
    binary.resize(static_cast<size_t>(written));

    std::vector<char> file(kMagic, kMagic + sizeof kMagic);
    PutU32(file, uint32_t(key.size()));
    PutU32(file, format);
    PutU32(file, uint32_t(binary.size()));
    PutU32(file, 0);
    const uint64_t sum = Fnv1a(binary.data(), binary.size(), Fnv1a(key.data(), key.size()));
    PutU32(file, uint32_t(sum));
    PutU32(file, uint32_t(sum >> 32));
    file.insert(file.end(), key.begin(), key.end());
    file.insert(file.end(), binary.begin(), binary.end());

    // Written whole under a name of this process's own, then renamed over the final name: a
    // reader (another instance, started at the same moment) sees an old file or a whole new one.
    std::error_code error;
    std::filesystem::create_directories(directory_, error);
    const std::string path = PathOf(key);
    const std::string temporary = path + '.' + std::to_string(getpid()) + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out || !out.write(file.data(), std::streamsize(file.size())) || !out.flush()) {
            out.close();
            (void)std::remove(temporary.c_str());  // a leftover is harmless: the next save truncates it
            return;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0)
        (void)std::remove(temporary.c_str());  // likewise
}

GLuint BuildProgram(const ProgramStore& store, const std::string& vertex, const std::string& fragment,
                    const char* what, bool* loaded)
{
    const std::string key = store.enabled() ? store.Key(vertex, fragment) : std::string();
    const GLuint stored = store.Load(key);
    if (loaded)
        *loaded = stored != 0;
    if (stored)
        return stored;
    const GLuint vs = Compile(GL_VERTEX_SHADER, vertex, what);
    const GLuint fs = vs ? Compile(GL_FRAGMENT_SHADER, fragment, what) : 0;
    GLuint program = 0;
    if (vs && fs) {
        program = glCreateProgram();
        glAttachShader(program, vs);
        glAttachShader(program, fs);
        // ES puts a program's one output at colour 0 by itself.
        if (glBindFragDataLocation)
            glBindFragDataLocation(program, 0, "oColor");
        if (store.enabled())
            glProgramParameteri(program, GL_PROGRAM_BINARY_RETRIEVABLE_HINT, GL_TRUE);
        glLinkProgram(program);
        GLint ok = 0;
        glGetProgramiv(program, GL_LINK_STATUS, &ok);
        if (!ok) {
            Refused(program, true, what, "program failed to link", nullptr);
            program = 0;
        }
    }
    if (vs)
        glDeleteShader(vs);
    if (fs)
        glDeleteShader(fs);
    if (program)
        store.Keep(program, key);
    return program;
}

} // namespace qv::d3d
