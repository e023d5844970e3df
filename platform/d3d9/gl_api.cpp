#include "platform/d3d9/gl_api.h"

#include <SDL2/SDL.h>
#include <cstring>

namespace qv::gl {

#define QV_GL_DEFINE(type, name) type name = nullptr;
QV_GL_FUNCTIONS(QV_GL_DEFINE)
QV_GL_OPTIONAL_FUNCTIONS(QV_GL_DEFINE)
#undef QV_GL_DEFINE

bool LoadFunctions()
{
    // Loaded again for every new context: SDL unloads the GL library with the last GL window,
    // and the next one may map it elsewhere.
    bool complete = true;
#define QV_GL_LOAD(type, name)                                               \
    name = reinterpret_cast<type>(SDL_GL_GetProcAddress(#name));             \
    if (!name)                                                               \
        complete = false;
    QV_GL_FUNCTIONS(QV_GL_LOAD)
#undef QV_GL_LOAD
#define QV_GL_LOAD_OPTIONAL(type, name) name = reinterpret_cast<type>(SDL_GL_GetProcAddress(#name));
    QV_GL_OPTIONAL_FUNCTIONS(QV_GL_LOAD_OPTIONAL)
#undef QV_GL_LOAD_OPTIONAL
    return complete;
}

bool HasExtension(const char* name)
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

} // namespace qv::gl
