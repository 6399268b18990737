#if defined(__SANITIZE_ADDRESS__)
// Fontconfig keeps the font lists it builds for the life of the process and
// frees them only when told to tear itself down, which Pango, sharing them
// across font maps, never does. They are not leaks of the drawing code. The
// leak checker takes this from the program, never from a module it loads:
// every program that draws, or loads the explain module, links it.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif
