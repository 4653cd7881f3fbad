// Brevra: the one export macro of the shared library.
//
// The library is compiled with hidden symbols by default (-fvisibility=hidden); every public
// header opens its namespace with BREVRA_API, which gives what it declares default visibility,
// so libbrevra.so exports the public API and nothing else. Internals live in `detail`
// namespaces opened without the macro, and stay hidden.
//
// Limits: GCC applies the attribute to everything declared in the marked namespace block, also
// to definitions in unmarked blocks of the library's sources; clang takes visibility from the
// block of the definition, so the shared library is made with GCC (the static one with either).
#pragma once

#if defined(__GNUC__) || defined(__clang__)
#define BREVRA_API [[gnu::visibility("default")]]
#else
#define BREVRA_API
#endif
