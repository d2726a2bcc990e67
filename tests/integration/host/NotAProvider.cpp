// Loads fine, but offers no provider entry point.
extern "C" int basalt_host_not_a_provider() {
    return 0;
}
