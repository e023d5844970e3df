// A scratch working directory with models and textures, the recording device behind
// g_pd3dDevice, and the message boxes collected instead of shown.
#pragma once

#include "render/device.h"
#include "render/xobject.h"
#include "support/recording_device.h"

#include <gtest/gtest.h>
#include <qv_win32.h>

#include <unistd.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

class XObjectTest : public testing::Test {
protected:
    void SetUp() override
    {
        saved_ = fs::current_path();
        root_ = fs::path(testing::TempDir()) / ("xobject_" + std::to_string(getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "work" / "Models");
        fs::create_directories(root_ / "Models");
        fs::current_path(root_ / "work");
        QvSetMessageBoxMode(QvMessageBoxMode::NonModal);
        QvSetMessageBoxObserver([this](const char* caption, const char* text) { boxes.emplace_back(caption, text); });
        g_pd3dDevice = &dev;
    }

    void TearDown() override
    {
        for (CXObject& o : objects_) Discard(o);
        g_pd3dDevice = nullptr;
        QvSetMessageBoxObserver(nullptr);
        fs::current_path(saved_);
        fs::remove_all(root_);
    }

    // Paths relative to the scratch working directory ("../x" is one above it).
    static void WriteFile(const std::string& path, const std::string& bytes)
    {
        fs::create_directories(fs::path(path).parent_path().empty() ? "." : fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }

    // An uncompressed 24-bit BMP of the given size.
    static void WriteBmp(const std::string& path, int size)
    {
        const int row = (size * 3 + 3) & ~3;
        std::string b(54 + row * size, '\0');
        auto put = [&b](size_t at, uint32_t v, int n) {
            for (int i = 0; i < n; ++i) b[at + i] = char((v >> (8 * i)) & 0xFF);
        };
        b[0] = 'B';
        b[1] = 'M';
        put(2, uint32_t(b.size()), 4);
        put(10, 54, 4);
        put(14, 40, 4);
        put(18, uint32_t(size), 4);
        put(22, uint32_t(size), 4);
        put(26, 1, 2);
        put(28, 24, 2);
        WriteFile(path, b);
    }

    // One triangle per material, triangle i drawn with material i: {diffuse red, texture or ""}.
    static std::string Model(const std::vector<std::pair<float, std::string>>& materials)
    {
        const std::string n = std::to_string(materials.size());
        std::string faces, indices;
        for (size_t i = 0; i < materials.size(); ++i) {
            faces += std::string(i ? "," : "") + " 3;0,1,2;";
            indices += std::string(i ? "," : "") + std::to_string(i);
        }
        std::string x = "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; " + n + ";" + faces + ";\n";
        x += " MeshMaterialList { " + n + "; " + n + "; " + indices + ";;\n";
        for (const auto& m : materials) {
            x += "  Material { " + std::to_string(m.first) + ";0.2;0.2;1.0;; 5.0; 0;0;0;; 0;0;0;;";
            if (!m.second.empty()) x += " TextureFilename { \"" + m.second + "\"; }";
            x += " }\n";
        }
        return x + " }\n}\n";
    }

    // An object for the test. The game never frees what an object loads; the test does, so
    // that the leak checker sees only real leaks.
    CXObject& Make() { return objects_.emplace_back(); }

    static void Discard(CXObject& o)
    {
        for (DWORD i = 0; o.textures && i < o.materialCount; ++i)
            if (o.textures[i]) o.textures[i]->Release();
        if (o.mesh) o.mesh->Release();
        delete[] o.materials;
        delete[] o.textures;
        o.mesh = nullptr;
        o.materials = nullptr;
        o.textures = nullptr;
        o.materialCount = 0;
    }

    RecordingDevice dev;
    std::vector<std::pair<std::string, std::string>> boxes;  // caption, text

private:
    std::deque<CXObject> objects_;
    fs::path saved_;
    fs::path root_;
};
