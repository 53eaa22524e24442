// The runtime is built with the sanitizers of its preset like everything else. GTK, GLib,
// fontconfig and WebKitGTK keep allocations of their own until the process ends, which the
// leak checker would report at every exit (and turn exit code 0 into 23). The leak check is
// therefore off for this program; every other check stays on. ASAN_OPTIONS still overrides it.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __asan_default_options() {
    return "detect_leaks=0";
}
#endif
