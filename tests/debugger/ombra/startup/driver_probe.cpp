// A module that is only read (for its version record), never loaded.
extern "C" __attribute__((visibility("default"))) int ombra_startup_probe() {
    return 1;
}
