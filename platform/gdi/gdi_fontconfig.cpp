// Font files through fontconfig: the family a request names, or its metric twin, or
// fontconfig's best stand-in.
#include "gdi_font_files.h"

#include <fontconfig/fontconfig.h>

#include <memory>
#include <system_error>
#include <thread>
#include <vector>

namespace qvgdi {
namespace {

struct PatternDeleter {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;

std::string StringOf(FcPattern* pattern, const char* object)
{
    FcChar8* value = nullptr;
    return FcPatternGetString(pattern, object, 0, &value) == FcResultMatch && value
               ? reinterpret_cast<const char*>(value)
               : std::string();
}

// Wine's stand-ins for Windows faces (Tahoma among them) sit outside fontconfig's
// directories; where the system has them, they answer to their Windows names.
void AddWindowsFaces()
{
    FcConfigAppFontAddDir(nullptr, reinterpret_cast<const FcChar8*>("/usr/share/wine/fonts"));
}

bool PrepareFontconfig()
{
    if (FcInit() != FcTrue) return false;
    AddWindowsFaces();
    return true;
}

// Reading fontconfig's configuration and font caches is most of what the first font costs, and
// needs nothing the program does before. A thread starts it with the process, so that it runs
// while start-up makes its window and device; the first look-up waits for it. Nothing outside a
// look-up holds fontconfig objects, so its state goes at exit, whether a font was asked or not.
class EarlyFontconfig {
public:
    EarlyFontconfig()
    {
        try {
            thread_ = std::thread([this] { ready_ = PrepareFontconfig(); });
            started_ = true;
        } catch (const std::system_error&) {
            // No thread: the first look-up prepares fontconfig itself.
        }
    }
    ~EarlyFontconfig()
    {
        if (thread_.joinable()) thread_.join();
        if (started_) FcFini();
    }
    EarlyFontconfig(const EarlyFontconfig&) = delete;
    EarlyFontconfig& operator=(const EarlyFontconfig&) = delete;

    bool Ready()
    {
        if (thread_.joinable()) {
            thread_.join();
            return ready_;
        }
        if (!started_) {
            started_ = true;
            ready_ = PrepareFontconfig();
        }
        return ready_;
    }

private:
    std::thread thread_;
    bool started_ = false;
    bool ready_ = false;
};
EarlyFontconfig g_earlyFontconfig;

// fcWeight: the request's weight on fontconfig's scale.
bool MatchFontFile(const QvGdiFontRequest& request, int fcWeight, FontFile* out)
{
    PatternPtr pattern(FcPatternCreate());
    if (!pattern) return false;
    if (!request.faceName.empty())
        FcPatternAddString(pattern.get(), FC_FAMILY,
                           reinterpret_cast<const FcChar8*>(request.faceName.c_str()));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, fcWeight);
    FcPatternAddInteger(pattern.get(), FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    PatternPtr match(FcFontMatch(nullptr, pattern.get(), &result));
    if (!match) return false;
    out->file = StringOf(match.get(), FC_FILE);
    if (out->file.empty()) return false;
    out->family = StringOf(match.get(), FC_FAMILY);
    out->style = StringOf(match.get(), FC_STYLE);
    FcPatternGetInteger(match.get(), FC_INDEX, 0, &out->index);
    int weight = FC_WEIGHT_REGULAR;
    int slant = FC_SLANT_ROMAN;
    FcPatternGetInteger(match.get(), FC_WEIGHT, 0, &weight);
    FcPatternGetInteger(match.get(), FC_SLANT, 0, &slant);
    out->bold = weight >= FC_WEIGHT_DEMIBOLD;
    out->italic = slant != FC_SLANT_ROMAN;
    return true;
}

// fontconfig's match is the slow part of making a font, and it does not depend on the height:
// the answers for the last 256 faces, weights and slants asked for are kept, found or not.
// Weights are compared as fontconfig sees them, on its coarser scale (1 to 100 are all its
// thinnest, 1000 and past it all its heaviest).
struct KnownMatch {
    std::string faceName;
    int fcWeight;
    bool italic;
    bool found;
    FontFile file;
};

}  // namespace

bool FindFontFile(const QvGdiFontRequest& request, FontFile* out)
{
    static const bool ready = g_earlyFontconfig.Ready();
    if (!ready) return false;
    static std::vector<KnownMatch> known;
    const int fcWeight = FcWeightFromOpenType(request.weight);
    for (const KnownMatch& k : known) {
        if (k.faceName == request.faceName && k.fcWeight == fcWeight && k.italic == request.italic) {
            if (k.found) *out = k.file;
            return k.found;
        }
    }
    KnownMatch match{request.faceName, fcWeight, request.italic, false, FontFile{}};
    match.found = MatchFontFile(request, fcWeight, &match.file);
    static constexpr size_t kKnownMatches = 256;
    if (known.size() == kKnownMatches) known.erase(known.begin());
    known.push_back(match);
    if (match.found) *out = match.file;
    return match.found;
}

}  // namespace qvgdi
