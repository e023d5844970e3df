// The replay trace: one JSON line per frame with the whole world state that the rules change.
#pragma once

#include <cstdio>
#include <string>

#include "game/world.h"
#include "session/engine_view.h"

namespace session {

class TraceWriter {
public:
    // The camera comes from `engine`, the rest from the world.
    explicit TraceWriter(const EngineView& engine);

    // Frame 0: the world as set-up left it, with every non-zero cell of the grid.
    const std::string& Initial();
    // A later frame: only the cells whose code changed since the previous line.
    const std::string& Frame(long long frame);

private:
    void Write(long long frame, bool allCells);
    void Append(const char* text);
    void Append(float value);
    void Append(long long value);
    void Key(const char* name);  // ,"name": (the comma only after the first member)
    template <class T>
    void Field(const char* name, T value);
    void Tank(const CTank& tank);

    const D3DXVECTOR3* camera_;
    std::string line_;
    bool first_ = true;
    INT cells_[kGridCells];  // the grid as the last line saw it
};

// The shortest decimal that reads back to the same float; null for what JSON cannot hold.
void AppendFloat(std::string& out, float value);

}  // namespace session
