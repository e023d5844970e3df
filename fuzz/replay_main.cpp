// Runs a fuzz target once over every file it is given (directories are walked), without
// libFuzzer: the ordinary builds use it to hold each target to its seeds and to the inputs
// that once broke it. A crash or a sanitizer report ends the process as it would the fuzzer.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

std::vector<uint8_t> ReadFile(const std::filesystem::path& path, bool* ok)
{
    std::ifstream in(path, std::ios::binary);
    *ok = bool(in);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

int main(int argc, char** argv)
{
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path arg = argv[i];
        std::error_code ec;
        if (std::filesystem::is_directory(arg, ec)) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(arg)) {
                if (entry.is_regular_file()) files.push_back(entry.path());
            }
        } else if (std::filesystem::is_regular_file(arg, ec)) {
            files.push_back(arg);
        } else {
            std::fprintf(stderr, "%s: no such file or directory\n", argv[i]);
            return 2;
        }
    }
    // The same order on every machine, so that a failure names the same input.
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        bool ok = false;
        std::vector<uint8_t> bytes = ReadFile(file, &ok);
        if (!ok) {
            std::fprintf(stderr, "%s: cannot read\n", file.c_str());
            return 2;
        }
        // Named before it runs: a crash report does not say which input it was.
        std::printf("%s\n", file.c_str());
        std::fflush(stdout);
        // An exact-size heap copy, so that a read one byte past the input is caught.
        std::unique_ptr<uint8_t[]> copy(new uint8_t[bytes.size() ? bytes.size() : 1]);
        std::copy(bytes.begin(), bytes.end(), copy.get());
        LLVMFuzzerTestOneInput(copy.get(), bytes.size());
    }
    std::printf("%zu inputs ran\n", files.size());
    return files.empty() ? 2 : 0;
}
