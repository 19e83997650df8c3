// A module for the dynamic loading tests.
extern "C" {
#ifdef _WIN32
__declspec(dllexport)
#else
__attribute__((visibility("default")))
#endif
    int ZvSampleAnswer() {
  return 42;
}
}
