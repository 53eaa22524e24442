// The runtime is built with the sanitizers of its preset like everything else, with two
// exceptions that the system libraries it runs on make necessary.
//
// Leaks: GTK, GLib, fontconfig and WebKitGTK keep allocations of their own until the process
// ends, which the leak checker would report at every exit (and turn exit code 0 into 23). The
// leak check is therefore off for this program; ASAN_OPTIONS still overrides it.
//
// vptr: JavaScriptCore is built without RTTI and calls std::shared_ptr's out-of-line release
// (`_Sp_counted_base::_M_release_last_use_cold`), which the dynamic linker resolves to the copy
// in this executable. Instrumented for the vptr check, that copy fails on JavaScriptCore's own
// objects and ends the runtime when a page's script context goes. The runtime's own sources
// are built without the vptr check, and this file, linked first, instantiates the release so
// that the linker keeps its uninstrumented copy.
#include <memory>

#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __asan_default_options() {
    return "detect_leaks=0";
}
#endif

namespace vellum {

// Not called: its only purpose is the instantiation above.
void InstantiateUninstrumentedSharedRelease();
void InstantiateUninstrumentedSharedRelease() {
    std::shared_ptr<int> shared = std::make_shared<int>(0);
    shared.reset();
}

}  // namespace vellum
