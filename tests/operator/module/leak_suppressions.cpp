// The report engine these tests load draws with Qt: the system's font configuration keeps
// its caches for the life of the process, which the leak checker of a sanitizer build
// would report. The sanitizer runtime looks the function up by this reserved name.
// NOLINTNEXTLINE(bugprone-reserved-identifier)
extern "C" __attribute__((used, visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libxcb\nleak:libX11\n";
}
