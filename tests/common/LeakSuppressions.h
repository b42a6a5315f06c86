#pragma once

// fontconfig keeps its configuration until the process ends: not a leak. Include in exactly one file of
// a program that runs the control; the sanitizer runtime looks the function up by name.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
