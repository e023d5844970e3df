#include "platform/core/win32_classes.h"

#include <strings.h>

#include <vector>

namespace qvwin {
namespace {

std::vector<ClassRecord> g_classes;
// Class atoms come from 0xC000 to 0xFFFF, as string atoms do on Windows; an unregistered
// class gives its atom back.
constexpr ATOM kFirstClassAtom = 0xC000;

ClassRecord* Find(LPCSTR name)
{
    if (name == nullptr) {
        return nullptr;
    }
    for (ClassRecord& c : g_classes) {
        if (strcasecmp(c.name.c_str(), name) == 0) {
            return &c;
        }
    }
    return nullptr;
}

}  // namespace

const ClassRecord* FindClass(LPCSTR name) { return Find(name); }

void ForgetClasses() { g_classes.clear(); }

}  // namespace qvwin

using namespace qvwin;

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* lpwcx)
{
    if (lpwcx == nullptr || lpwcx->cbSize != sizeof(WNDCLASSEXA) || lpwcx->lpfnWndProc == nullptr ||
        lpwcx->lpszClassName == nullptr || *lpwcx->lpszClassName == '\0' ||
        Find(lpwcx->lpszClassName) != nullptr) {
        return 0;
    }
    ATOM atom = kFirstClassAtom;
    for (bool taken = true; taken;) {
        taken = false;
        for (const ClassRecord& c : g_classes) taken = taken || c.atom == atom;
        if (taken && ++atom == 0) return 0;  // every atom in use
    }
    ClassRecord rec{lpwcx->lpszClassName, *lpwcx, atom};
    rec.wc.lpszClassName = nullptr;
    rec.wc.lpszMenuName = nullptr;
    g_classes.push_back(std::move(rec));
    return g_classes.back().atom;
}

BOOL WINAPI UnregisterClassA(LPCSTR lpClassName, HINSTANCE hInstance)
{
    (void)hInstance;
    ClassRecord* cls = Find(lpClassName);
    if (cls == nullptr || ClassHasWindows(cls->name)) {
        return FALSE;
    }
    g_classes.erase(g_classes.begin() + (cls - g_classes.data()));
    return TRUE;
}
