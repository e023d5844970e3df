#include "session/trace.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace session {

void AppendFloat(std::string& out, float value) {
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    char text[32];
    auto result = std::to_chars(text, text + sizeof text, value);
    out.append(text, result.ptr);
}

TraceWriter::TraceWriter(const EngineView& engine) : camera_(engine.camera) {
    // Room for a full first line (every cell of the grid) so that later lines never grow it.
    line_.reserve(256 * 1024);
    std::memset(cells_, 0, sizeof cells_);
}

const std::string& TraceWriter::Initial() {
    Write(0, true);
    return line_;
}

const std::string& TraceWriter::Frame(long long frame) {
    Write(frame, false);
    return line_;
}

void TraceWriter::Append(const char* text) { line_ += text; }
void TraceWriter::Append(float value) { AppendFloat(line_, value); }
void TraceWriter::Append(long long value) {
    char text[24];
    auto result = std::to_chars(text, text + sizeof text, value);
    line_.append(text, result.ptr);
}

void TraceWriter::Key(const char* name) {
    if (!first_) line_ += ',';
    first_ = false;
    line_ += '"';
    line_ += name;
    line_ += "\":";
}

template <class T>
void TraceWriter::Field(const char* name, T value) {
    Key(name);
    Append(value);
}

void TraceWriter::Tank(const CTank& tank) {
    first_ = true;
    line_ += '{';
    Field("x", tank.position.x);
    Field("y", tank.position.y);
    Field("z", tank.position.z);
    Field("yaw", tank.yaw);
    Field("dx", tank.direction.x);
    Field("dy", tank.direction.y);
    Field("bob", tank.bobAngle);
    Field("wx", tank.waypoint.x);
    Field("wy", tank.waypoint.y);
    Field("steer", static_cast<long long>(tank.steerState));
    Field("move", static_cast<long long>(tank.moveCode));
    Field("cooldown", static_cast<long long>(tank.fireCooldown));
    line_ += '}';
}

void TraceWriter::Write(long long frame, bool allCells) {
    line_.clear();
    Append("{\"frame\":");
    Append(frame);

    Append(",\"tanks\":[");
    for (int i = 0; i < kTankCount; ++i) {
        if (i) line_ += ',';
        Tank(g_tanks[i]);
    }

    Append("],\"bullets\":[");
    bool firstBullet = true;
    for (int slot = 0; slot < kBulletSlots; ++slot) {
        const CBullet& bullet = g_tanks[0].bullets[slot];
        if (!bullet.active) continue;
        if (!firstBullet) line_ += ',';
        firstBullet = false;
        first_ = true;
        line_ += '{';
        Field("slot", static_cast<long long>(slot));
        Field("x", bullet.position.x);
        Field("y", bullet.position.y);
        Field("z", bullet.position.z);
        Field("life", static_cast<long long>(bullet.life));
        line_ += '}';
    }

    Append("],\"tiles\":[");
    bool firstCell = true;
    for (int ix = 0; ix < kGridSize; ++ix) {
        for (int iy = 0; iy < kGridSize; ++iy) {
            INT code = g_tileGrid->cells[ix * kGridSize + iy];
            INT& seen = cells_[ix * kGridSize + iy];
            bool report = allCells ? code != 0 : code != seen;
            seen = code;
            if (!report) continue;
            if (!firstCell) line_ += ',';
            firstCell = false;
            line_ += '[';
            Append(static_cast<long long>(ix));
            line_ += ',';
            Append(static_cast<long long>(iy));
            line_ += ',';
            Append(static_cast<long long>(code));
            line_ += ']';
        }
    }

    const D3DXVECTOR3& camera = *camera_;
    Append("],\"camera\":[");
    Append(camera.x);
    line_ += ',';
    Append(camera.y);
    line_ += ',';
    Append(camera.z);
    Append("],\"rng\":");
    Append(static_cast<long long>(g_randomState));
    Append("}\n");
}

}  // namespace session
