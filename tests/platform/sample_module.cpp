// A module for the dynamic loading tests.
#ifdef _WIN32
extern "C" __declspec(dllexport) int ZvSampleAnswer() {
  return 42;
}
#else
extern "C" __attribute__((visibility("default"))) int ZvSampleAnswer() {
  return 42;
}
#endif
