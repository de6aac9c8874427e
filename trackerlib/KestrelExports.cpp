// The five plain-C exports over one module-wide tracker. The lock turns calls from two
// threads at once, which would otherwise race on that state, into calls one after the other.
#include "Kestrel32Dll.h"
#include "KestrelTracker.h"

#include <memory>
#include <mutex>

namespace {

struct Module {
    std::mutex lock;
    std::unique_ptr<kestrel::HidBackend> backend = kestrel::CreateSystemHidBackend();
    kestrel::KestrelTracker tracker{*backend};
};

Module& TheModule() {
    static Module module;
    return module;
}

template <typename Call> auto Locked(Call call) {
    Module& module = TheModule();
    const std::lock_guard guard(module.lock);
    return call(module.tracker);
}

} // namespace

extern "C" {

KESTREL_API bool ReadData(void) {
    return Locked([](kestrel::KestrelTracker& t) { return t.ReadData(); });
}

KESTREL_API bool GetSens(double* d0, double* d1, double* d2, double* d3) {
    return Locked([&](kestrel::KestrelTracker& t) { return t.GetSens(d0, d1, d2, d3); });
}

KESTREL_API bool GetCoord(double* x, double* y, double* z) {
    return Locked([&](kestrel::KestrelTracker& t) { return t.GetCoord(x, y, z); });
}

KESTREL_API bool CoordEval(double r0, double r1, double r2, double r3) {
    return Locked([&](kestrel::KestrelTracker& t) { return t.CoordEval(r0, r1, r2, r3); });
}

KESTREL_API uint16_t GetKestrelVersion(void) {
    return kestrel::KestrelTracker::kVersion;
}
}
