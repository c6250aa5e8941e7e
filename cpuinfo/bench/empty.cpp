// The start-up baseline: a console program that does nothing, with the same entry point, runtime
// and link options as cpuinfo.exe.
int wmain() {
    return 0;
}
