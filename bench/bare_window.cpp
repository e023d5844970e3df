// bare_window: the yardstick for start-up. As little as a program can do to show a frame with
// SDL2 and OpenGL 3.3 core: a hidden 640 x 480 window, a context, one clear and one present.
// bench/startup-ratio times it against quorvel-replay's start-up and first frame.
#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>
#include <SDL2/SDL.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

int main(int, char**)
{
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "bare_window: %s\n", SDL_GetError());
        return 1;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_Window* window = SDL_CreateWindow("bare_window", 0, 0, 640, 480, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
    if (!context) {
        std::fprintf(stderr, "bare_window: %s\n", SDL_GetError());
        return 1;
    }
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    SDL_GL_SwapWindow(window);
    // With QV_STARTED_AT (nanoseconds since the epoch when the process was started), the time
    // to here, as quorvel-replay reports its own.
    if (const char* started = std::getenv("QV_STARTED_AT")) {
        timespec now = {};
        clock_gettime(CLOCK_REALTIME, &now);
        const double ms = (double(now.tv_sec) * 1e9 + double(now.tv_nsec) - std::strtod(started, nullptr)) / 1e6;
        std::fprintf(stderr, "bare_window: first frame presented %.1f ms after the process started\n", ms);
    }
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
