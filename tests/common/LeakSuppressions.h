#pragma once

// Leaks the leak checker should not report for programs that run the control: fontconfig keeps its
// configuration, allocated at the first font lookup, until the process ends. Include in exactly one
// file of a program; the sanitizer runtime looks the function up by name.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
