// A module with one exported function, only here to be read by the version tests.
extern "C" __attribute__((visibility("default"))) int corvid_version_probe() {
    return 1;
}
