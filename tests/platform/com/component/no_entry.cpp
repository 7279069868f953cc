// A module that loads but exports none of the component entry points.
extern "C" __attribute__((visibility("default"))) int ProbeWithoutEntryPoints() {
    return 42;
}
