#include "platform/d3d9/gl_api.h"

#include <cstdlib>
#include <cstring>

namespace qv::gl {

#define QV_GL_DEFINE(type, name) type name = nullptr;
QV_GL_FUNCTIONS(QV_GL_DEFINE)
QV_GL_CORE_FUNCTIONS(QV_GL_DEFINE)
QV_GL_ES_FUNCTIONS(QV_GL_DEFINE)
QV_GL_OPTIONAL_FUNCTIONS(QV_GL_DEFINE)
#undef QV_GL_DEFINE

bool es = false;

Dialect RequestedDialect()
{
    static const Dialect chosen = [] {
        const char* want = std::getenv("QV_GL");
        return want && std::strcmp(want, "es3") == 0 ? Dialect::Es30 : Dialect::Core33;
    }();
    return chosen;
}

namespace {

ProcLookup g_lookup = nullptr;

void* Lookup(const char* name) { return g_lookup ? g_lookup(name) : GlProcAddress(name); }

void NoteMissing(const char* name, const char** first)
{
    if (!*first)
        *first = name;
}

} // namespace

void SetProcLookup(ProcLookup lookup) { g_lookup = lookup; }

bool LoadFunctions(Dialect dialect, const char** missing)
{
    // Loaded again for every new context: SDL unloads the GL library with the last GL window,
    // and the next one may map it elsewhere.
    es = dialect == Dialect::Es30;
    const char* absent = nullptr;
#define QV_GL_LOAD(type, name)                                               \
    name = reinterpret_cast<type>(Lookup(#name));                            \
    if (!(name))                                                             \
        NoteMissing(#name, &absent);
#define QV_GL_CLEAR(type, name) name = nullptr;
    QV_GL_FUNCTIONS(QV_GL_LOAD)
    if (es) {
        QV_GL_ES_FUNCTIONS(QV_GL_LOAD)
        QV_GL_CORE_FUNCTIONS(QV_GL_CLEAR)
    } else {
        QV_GL_CORE_FUNCTIONS(QV_GL_LOAD)
        QV_GL_ES_FUNCTIONS(QV_GL_CLEAR)
    }
#undef QV_GL_LOAD
#define QV_GL_LOAD_OPTIONAL(type, name) name = reinterpret_cast<type>(Lookup(#name));
    QV_GL_OPTIONAL_FUNCTIONS(QV_GL_LOAD_OPTIONAL)
#undef QV_GL_LOAD_OPTIONAL
    if (es) {
        // Mesa's ES context has these, WebGL 2 has none: no base instance, no program binaries,
        // no mapped buffers. Fences and waits it has.
        glDrawArraysInstancedBaseInstance = nullptr;
        glDrawElementsInstancedBaseVertexBaseInstance = nullptr;
        glProgramBinary = nullptr;
        glGetProgramBinary = nullptr;
        glProgramParameteri = nullptr;
        glBufferStorage = nullptr;
        glMapBufferRange = nullptr;
    }
#undef QV_GL_CLEAR
    if (missing)
        *missing = absent;
    return !absent;
}

namespace {

bool Listed(const char* name)
{
    GLint count = 0;
    glGetIntegerv(GL_NUM_EXTENSIONS, &count);
    for (GLint i = 0; i < count; ++i) {
        const char* ext = reinterpret_cast<const char*>(glGetStringi(GL_EXTENSIONS, GLuint(i)));
        if (ext && std::strcmp(ext, name) == 0)
            return true;
    }
    return false;
}

} // namespace

bool HasExtension(const char* name)
{
    if (!es)
        return Listed(name);
    // ES 3.0 drivers offer many extensions WebGL 2 lacks; the ES dialect sees only the one it
    // can count on finding in a browser too, which WebGL names its own way.
    constexpr const char* kS3tc = "GL_EXT_texture_compression_s3tc";
    return std::strcmp(name, kS3tc) == 0 && (Listed(kS3tc) || Listed("GL_WEBGL_compressed_texture_s3tc"));
}

const char* ShaderPreamble()
{
    if (!es)
        return "#version 330 core\n";
    return "#version 300 es\n"
           "precision highp float;\n"
           "precision highp int;\n"
           "precision highp sampler2D;\n"
           "precision highp sampler2DArray;\n";
}

} // namespace qv::gl
