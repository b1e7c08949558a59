// Linked into every test binary. fontconfig keeps a few blocks from parsing its
// configuration unreachable for the life of the process (fontconfig 2.14), and
// LeakSanitizer would fail every test that loads a font. x265 (3.5, the HEVC encoder
// libheif uses) loses one block of about 1 KB in x265_encoder_open on every HEIC encode,
// however libheif closes the encoder; nothing we call frees it. Neither leak is ours, so
// both are suppressed.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libx265.so\n";
}
