/* Watches a running program's OpenGL errors without changing what it does: preloaded
 * (LD_PRELOAD) into a program that shows its frames with SDL_GL_SwapWindow, it reads the
 * context's error flags with glGetError after every swap (the library and the demo never read
 * them, so draining them changes nothing they see) and keeps count.
 *
 * BREVRA_GL_ERROR_LOG names the file it keeps up to date: one line "swaps N errors M", rewritten
 * every 30 swaps and at exit, and below it one line per error ("swap N error 0x0502", the
 * first 100). Errors also go to standard error at once. BREVRA_GL_ERROR_INJECT=N makes the
 * N-th swap raise GL_INVALID_ENUM first (glEnable of no capability), to show the watch works.
 *
 * Limits: sees only errors raised in the context that is current at the swap, which in the
 * demo is the only one. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef unsigned int GLenum;
typedef void SDL_Window;

static unsigned long g_swaps;
static unsigned long g_errors;
static char g_lines[100][48];

static void WriteLog(void) {
  const char* path = getenv("BREVRA_GL_ERROR_LOG");
  if (path == NULL) return;
  char tmp[4096];
  snprintf(tmp, sizeof tmp, "%s.tmp", path);
  FILE* f = fopen(tmp, "w");
  if (f == NULL) return;
  fprintf(f, "swaps %lu errors %lu\n", g_swaps, g_errors);
  for (unsigned long i = 0; i < g_errors && i < 100; ++i) fputs(g_lines[i], f);
  fclose(f);
  rename(tmp, path);
}

__attribute__((destructor)) static void AtExit(void) { WriteLog(); }

void SDL_GL_SwapWindow(SDL_Window* window) {
  static void (*real_swap)(SDL_Window*);
  static GLenum (*get_error)(void);
  static void (*enable)(GLenum);
  static long inject = -1;
  if (real_swap == NULL) {
    *(void**)&real_swap = dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
    *(void**)&get_error = dlsym(RTLD_DEFAULT, "glGetError");
    *(void**)&enable = dlsym(RTLD_DEFAULT, "glEnable");
    const char* n = getenv("BREVRA_GL_ERROR_INJECT");
    inject = n != NULL ? atol(n) : 0;
    if (real_swap == NULL || get_error == NULL || enable == NULL) {
      fprintf(stderr, "gl_error_shim: SDL_GL_SwapWindow or glGetError not found\n");
      abort();
    }
  }
  if (inject > 0 && (long)g_swaps + 1 == inject) enable(0xFFFFu);
  real_swap(window);
  ++g_swaps;
  for (GLenum e = get_error(); e != 0; e = get_error()) {
    if (g_errors < 100) {
      snprintf(g_lines[g_errors], sizeof g_lines[0], "swap %lu error 0x%04X\n", g_swaps, e);
    }
    ++g_errors;
    fprintf(stderr, "gl_error_shim: swap %lu: GL error 0x%04X\n", g_swaps, e);
    WriteLog();
  }
  if (g_swaps % 30 == 0) WriteLog();
}
