#include "support/recorded_call.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

std::string FloatText(float v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
    return buf;
}

std::string MatrixText(const D3DMATRIX& m)
{
    std::string s = "[";
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            if (c > 0) s += ' ';
            s += FloatText(m.m[r][c]);
        }
        s += r < 3 ? "; " : "]";
    }
    return s;
}

std::string ColourText(const D3DCOLORVALUE& c)
{
    return "(" + FloatText(c.r) + " " + FloatText(c.g) + " " + FloatText(c.b) + " " +
           FloatText(c.a) + ")";
}

const RecordedArg* ArgOf(const RecordedCall& call, size_t i, RecordedArg::Kind kind)
{
    if (i >= call.args.size()) {
        ADD_FAILURE() << call.ToString() << " has no argument " << i;
        return nullptr;
    }
    const RecordedArg& a = call.args[i];
    bool integer = kind == RecordedArg::kUnsigned || kind == RecordedArg::kSigned;
    bool argInteger = a.kind == RecordedArg::kUnsigned || a.kind == RecordedArg::kSigned;
    if (a.kind != kind && !(integer && argInteger)) {
        ADD_FAILURE() << call.ToString() << ": argument " << i << " is not of the kind asked for";
        return nullptr;
    }
    return &a;
}

}  // namespace

uint64_t RecordedCall::u(size_t i) const
{
    const RecordedArg* a = ArgOf(*this, i, RecordedArg::kUnsigned);
    return a ? a->u : 0;
}

int64_t RecordedCall::s(size_t i) const
{
    const RecordedArg* a = ArgOf(*this, i, RecordedArg::kSigned);
    return a ? static_cast<int64_t>(a->u) : 0;
}

float RecordedCall::f(size_t i) const
{
    const RecordedArg* a = ArgOf(*this, i, RecordedArg::kFloat);
    return a ? a->f : 0.0f;
}

const void* RecordedCall::p(size_t i) const
{
    const RecordedArg* a = ArgOf(*this, i, RecordedArg::kPointer);
    return a ? reinterpret_cast<const void*>(static_cast<uintptr_t>(a->u)) : nullptr;
}

const std::string& RecordedCall::label(size_t i) const
{
    static const std::string none;
    const RecordedArg* a = ArgOf(*this, i, RecordedArg::kPointer);
    return a ? a->label : none;
}

std::string RecordedCall::ToString() const
{
    std::string s = name + "(";
    for (size_t i = 0; i < args.size(); ++i) {
        if (i > 0) s += ", ";
        const RecordedArg& a = args[i];
        switch (a.kind) {
        case RecordedArg::kUnsigned: s += std::to_string(a.u); break;
        case RecordedArg::kSigned: s += std::to_string(static_cast<int64_t>(a.u)); break;
        case RecordedArg::kFloat: s += FloatText(a.f); break;
        case RecordedArg::kPointer: s += a.label; break;
        case RecordedArg::kMatrix: s += MatrixText(matrix); break;
        case RecordedArg::kMaterial:
            s += "{D" + ColourText(material.Diffuse) + " A" + ColourText(material.Ambient) + " S" +
                 ColourText(material.Specular) + " E" + ColourText(material.Emissive) + " P" +
                 FloatText(material.Power) + "}";
            break;
        case RecordedArg::kLight:
            s += "{type " + std::to_string(light.Type) + " D" + ColourText(light.Diffuse) + "}";
            break;
        }
    }
    s += ")";
    if (!out.empty()) s += " -> " + out;
    if (result != S_OK) {
        char buf[24];
        std::snprintf(buf, sizeof buf, " = 0x%08X", static_cast<unsigned>(result));
        s += buf;
    }
    return s;
}

Rec& Rec::U(uint64_t v)
{
    call_.args.push_back({RecordedArg::kUnsigned, v, 0.0f, {}});
    return *this;
}

Rec& Rec::S(int64_t v)
{
    call_.args.push_back({RecordedArg::kSigned, static_cast<uint64_t>(v), 0.0f, {}});
    return *this;
}

Rec& Rec::F(float v)
{
    call_.args.push_back({RecordedArg::kFloat, 0, v, {}});
    return *this;
}

Rec& Rec::P(const void* p)
{
    call_.args.push_back({RecordedArg::kPointer, reinterpret_cast<uintptr_t>(p), 0.0f, {}});
    return *this;
}

// A null struct pointer is recorded as a null pointer argument, so the call still reads true.
Rec& Rec::M(const D3DMATRIX* m)
{
    if (!m) return P(nullptr);
    call_.matrix = *m;
    call_.args.push_back({RecordedArg::kMatrix, 0, 0.0f, {}});
    return *this;
}

Rec& Rec::Mat(const D3DMATERIAL9* m)
{
    if (!m) return P(nullptr);
    call_.material = *m;
    call_.args.push_back({RecordedArg::kMaterial, 0, 0.0f, {}});
    return *this;
}

Rec& Rec::L(const D3DLIGHT9* l)
{
    if (!l) return P(nullptr);
    call_.light = *l;
    call_.args.push_back({RecordedArg::kLight, 0, 0.0f, {}});
    return *this;
}

CallLog::~CallLog() = default;

std::vector<RecordedCall> CallLog::Calls(const std::string& name) const
{
    std::vector<RecordedCall> out;
    for (const RecordedCall& c : calls_)
        if (c.name == name) out.push_back(c);
    return out;
}

size_t CallLog::Count(const std::string& name) const
{
    size_t n = 0;
    for (const RecordedCall& c : calls_)
        if (c.name == name) ++n;
    return n;
}

std::vector<std::string> CallLog::Names() const
{
    std::vector<std::string> out;
    for (const RecordedCall& c : calls_) out.push_back(c.name);
    return out;
}

std::vector<std::string> CallLog::Lines() const
{
    std::vector<std::string> out;
    for (const RecordedCall& c : calls_) out.push_back(c.ToString());
    return out;
}

std::string CallLog::ToString() const
{
    std::string s;
    for (const RecordedCall& c : calls_) s += c.ToString() + "\n";
    return s;
}

void CallLog::Fail(const std::string& name, HRESULT hr, int times)
{
    failures_[name] = {hr, times};
}

HRESULT CallLog::Commit(Rec& rec)
{
    RecordedCall& call = rec.call();
    for (RecordedArg& a : call.args)
        if (a.kind == RecordedArg::kPointer)
            a.label = LabelOf(reinterpret_cast<const void*>(static_cast<uintptr_t>(a.u)));
    auto it = failures_.find(call.name);
    if (it != failures_.end() && it->second.times != 0) {
        call.result = it->second.hr;
        if (it->second.times > 0 && --it->second.times == 0) failures_.erase(it);
    }
    calls_.push_back(call);
    return call.result;
}

void CallLog::SetLastOut(const void* object)
{
    if (!calls_.empty()) calls_.back().out = LabelOf(object);
}

std::string CallLog::Adopt(const void* key, std::unique_ptr<FakeObject> object, const char* prefix)
{
    std::string label = prefix + std::to_string(++counters_[prefix]);
    labels_[key] = label;
    objects_[key] = std::move(object);
    return label;
}

void CallLog::Destroy(const void* key)
{
    // Move out first: the object's destructor may release others and so re-enter the map.
    auto it = objects_.find(key);
    if (it == objects_.end()) return;
    std::unique_ptr<FakeObject> doomed = std::move(it->second);
    objects_.erase(it);
    labels_.erase(key);
    doomed.reset();
}

std::string CallLog::LabelOf(const void* p) const
{
    if (!p) return "null";
    auto it = labels_.find(p);
    return it != labels_.end() ? it->second : "ptr";
}

FakeObject* CallLog::FindObject(const std::string& label) const
{
    for (const auto& [key, l] : labels_)
        if (l == label) return ObjectAt(key);
    return nullptr;
}

FakeObject* CallLog::ObjectAt(const void* key) const
{
    auto it = objects_.find(key);
    return it != objects_.end() ? it->second.get() : nullptr;
}
