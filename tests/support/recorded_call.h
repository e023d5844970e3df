// One recorded Direct3D call, and the log that the recording device and its objects write into.
// Integers and enums are kept as uint64, floats bit for bit, matrices, materials and lights by
// value, pointers by identity (with a readable label for the objects the recorder made).
#pragma once

#include <d3d9.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

struct RecordedArg {
    enum Kind { kUnsigned, kSigned, kFloat, kPointer, kMatrix, kMaterial, kLight };
    Kind kind = kUnsigned;
    uint64_t u = 0;     // integer value, or the pointer's address
    float f = 0.0f;     // float value, exact
    std::string label;  // for pointers: "null", "vb1", "tex2", ... or "ptr" when not ours
};

struct RecordedCall {
    std::string name;  // "SetRenderState", "VB.Lock", "D3D.CreateDevice", ...
    std::vector<RecordedArg> args;
    std::string out;  // label of the object the call handed back, if any
    HRESULT result = S_OK;
    D3DMATRIX matrix{};
    D3DMATERIAL9 material{};
    D3DLIGHT9 light{};

    // Typed reads of argument i; a wrong index or kind fails the running test and gives 0.
    uint64_t u(size_t i) const;
    int64_t s(size_t i) const;
    float f(size_t i) const;
    const void* p(size_t i) const;
    const std::string& label(size_t i) const;

    // "SetRenderState(7, 1)", "SetTransform(2, [1 0 0 0; 0 1 0 0; 0 0 1 0; 0 0 500 1])",
    // "CreateVertexBuffer(96, 8, 322, 0, null) -> vb1".
    std::string ToString() const;
};

// Builds one call's record; handed to CallLog::Commit.
class Rec {
public:
    explicit Rec(const char* name) { call_.name = name; }
    Rec& U(uint64_t v);
    Rec& S(int64_t v);
    Rec& F(float v);
    Rec& P(const void* p);
    Rec& M(const D3DMATRIX* m);
    Rec& Mat(const D3DMATERIAL9* m);
    Rec& L(const D3DLIGHT9* l);
    RecordedCall& call() { return call_; }

private:
    RecordedCall call_;
};

// Base of the objects the recorder hands out; the log owns them and frees what is left at its end.
class FakeObject {
public:
    virtual ~FakeObject() = default;
};

class CallLog {
public:
    CallLog() = default;
    CallLog(const CallLog&) = delete;
    CallLog& operator=(const CallLog&) = delete;
    virtual ~CallLog();

    const std::vector<RecordedCall>& calls() const { return calls_; }
    std::vector<RecordedCall> Calls(const std::string& name) const;  // only calls of that name
    size_t Count(const std::string& name) const;
    std::vector<std::string> Names() const;
    std::vector<std::string> Lines() const;  // each call's ToString
    std::string ToString() const;            // Lines joined by newlines
    void Clear() { calls_.clear(); }

    // Make calls of `name` return hr: the next `times` calls, or every call when times < 0.
    void Fail(const std::string& name, HRESULT hr = E_FAIL, int times = -1);
    void Succeed(const std::string& name) { failures_.erase(name); }

    // Records the call; gives the failure set for its name, else S_OK. Labels its pointers.
    HRESULT Commit(Rec& rec);
    HRESULT Commit(Rec&& rec) { return Commit(rec); }
    // Sets the label of the object handed back by the last recorded call.
    void SetLastOut(const void* object);

    // Objects made by the recorder: a label per address, and ownership until Release or the end.
    std::string Adopt(const void* key, std::unique_ptr<FakeObject> object, const char* prefix);
    void Destroy(const void* key);
    void Name(const void* key, const std::string& label) { labels_[key] = label; }
    std::string LabelOf(const void* p) const;
    bool Owns(const void* key) const { return objects_.count(key) != 0; }
    FakeObject* FindObject(const std::string& label) const;
    FakeObject* ObjectAt(const void* key) const;

private:
    struct Failure {
        HRESULT hr;
        int times;
    };
    std::vector<RecordedCall> calls_;
    std::map<std::string, Failure> failures_;
    std::map<const void*, std::string> labels_;
    std::map<const void*, std::unique_ptr<FakeObject>> objects_;
    std::map<std::string, int> counters_;
};
