// Linked into every test binary. fontconfig keeps a few blocks from parsing its
// configuration unreachable for the life of the process (fontconfig 2.14), and
// LeakSanitizer would fail every test that loads a font. The leak is not ours and does
// not grow, so it is suppressed.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
