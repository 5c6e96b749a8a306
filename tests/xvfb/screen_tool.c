/* Screenshots and a passing window, for the real-window checks of repair:
 *   screen_tool cover X Y W H MS   maps a plain red window at X,Y of W x H
 *                                  over everything, keeps it MS ms, then
 *                                  takes it away;
 *   screen_tool shot WINDOW FILE   writes the pixels of WINDOW (0: the
 *                                  whole screen) to FILE as a binary PPM;
 *   screen_tool same A B X0 Y0 X1 Y1  compares two PPM files of one size
 *                                  inside [X0,X1) x [Y0,Y1); prints how many
 *                                  pixels differ, exit 0 when none do;
 *   screen_tool fill FILE X0 Y0 X1 Y1 R G B  prints the share (percent) of
 *                                  the pixels in the rectangle that have
 *                                  that colour. */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static Display* Open(void) {
  Display* d = XOpenDisplay(NULL);
  if (d == NULL) {
    fprintf(stderr, "screen_tool: cannot open the display\n");
    exit(1);
  }
  return d;
}

static int Cover(int x, int y, int w, int h, int ms) {
  Display* d = Open();
  XSetWindowAttributes a;
  memset(&a, 0, sizeof a);
  a.override_redirect = True;
  a.background_pixel = 0xFF0000;
  const Window win = XCreateWindow(d, DefaultRootWindow(d), x, y, (unsigned)w, (unsigned)h, 0, CopyFromParent,
                                   InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel, &a);
  XMapRaised(d, win);
  XSync(d, False);
  struct timespec pause = {ms / 1000, (long)(ms % 1000) * 1000000L};
  nanosleep(&pause, NULL);
  XUnmapWindow(d, win);
  XDestroyWindow(d, win);
  XSync(d, False);
  XCloseDisplay(d);
  return 0;
}

static int Shot(unsigned long id, const char* path) {
  Display* d = Open();
  const Window win = id != 0 ? (Window)id : DefaultRootWindow(d);
  XWindowAttributes attr;
  if (XGetWindowAttributes(d, win, &attr) == 0) {
    fprintf(stderr, "screen_tool: no window 0x%lx\n", id);
    return 1;
  }
  XImage* image = XGetImage(d, win, 0, 0, (unsigned)attr.width, (unsigned)attr.height, AllPlanes, ZPixmap);
  if (image == NULL) {
    fprintf(stderr, "screen_tool: the window cannot be read\n");
    return 1;
  }
  FILE* out = fopen(path, "wb");
  if (out == NULL) {
    perror(path);
    return 1;
  }
  fprintf(out, "P6\n%d %d\n255\n", attr.width, attr.height);
  for (int y = 0; y < attr.height; ++y)
    for (int x = 0; x < attr.width; ++x) {
      const unsigned long p = XGetPixel(image, x, y);
      const unsigned char rgb[3] = {(unsigned char)(p >> 16), (unsigned char)(p >> 8), (unsigned char)p};
      fwrite(rgb, 1, 3, out);
    }
  fclose(out);
  XDestroyImage(image);
  XCloseDisplay(d);
  return 0;
}

typedef struct {
  int w, h;
  unsigned char* rgb;
} Ppm;

static int Load(const char* path, Ppm* p) {
  FILE* in = fopen(path, "rb");
  int max = 0;
  if (in == NULL || fscanf(in, "P6 %d %d %d", &p->w, &p->h, &max) != 3 || max != 255 || fgetc(in) == EOF) {
    fprintf(stderr, "screen_tool: %s is not a PPM picture\n", path);
    return 0;
  }
  const size_t n = (size_t)p->w * (size_t)p->h * 3;
  p->rgb = malloc(n);
  const int ok = p->rgb != NULL && fread(p->rgb, 1, n, in) == n;
  fclose(in);
  return ok;
}

static int Same(const char* a_path, const char* b_path, int x0, int y0, int x1, int y1) {
  Ppm a, b;
  if (!Load(a_path, &a) || !Load(b_path, &b)) return 2;
  if (a.w != b.w || a.h != b.h) {
    printf("sizes differ: %dx%d and %dx%d\n", a.w, a.h, b.w, b.h);
    return 1;
  }
  long differ = 0;
  for (int y = y0; y < y1 && y < a.h; ++y)
    for (int x = x0; x < x1 && x < a.w; ++x) {
      const size_t i = ((size_t)y * (size_t)a.w + (size_t)x) * 3;
      if (memcmp(a.rgb + i, b.rgb + i, 3) != 0) ++differ;
    }
  printf("%ld pixels differ\n", differ);
  return differ == 0 ? 0 : 1;
}

static int Fill(const char* path, int x0, int y0, int x1, int y1, int r, int g, int b) {
  Ppm p;
  if (!Load(path, &p)) return 2;
  long match = 0, all = 0;
  for (int y = y0; y < y1 && y < p.h; ++y)
    for (int x = x0; x < x1 && x < p.w; ++x) {
      const unsigned char* c = p.rgb + ((size_t)y * (size_t)p.w + (size_t)x) * 3;
      ++all;
      if (c[0] == r && c[1] == g && c[2] == b) ++match;
    }
  printf("%ld\n", all == 0 ? 0 : match * 100 / all);
  return 0;
}

int main(int argc, char** argv) {
  if (argc == 7 && strcmp(argv[1], "cover") == 0)
    return Cover(atoi(argv[2]), atoi(argv[3]), atoi(argv[4]), atoi(argv[5]), atoi(argv[6]));
  if (argc == 4 && strcmp(argv[1], "shot") == 0) return Shot(strtoul(argv[2], NULL, 0), argv[3]);
  if (argc == 8 && strcmp(argv[1], "same") == 0)
    return Same(argv[2], argv[3], atoi(argv[4]), atoi(argv[5]), atoi(argv[6]), atoi(argv[7]));
  if (argc == 10 && strcmp(argv[1], "fill") == 0)
    return Fill(argv[2], atoi(argv[3]), atoi(argv[4]), atoi(argv[5]), atoi(argv[6]), atoi(argv[7]), atoi(argv[8]),
                atoi(argv[9]));
  fprintf(stderr, "usage: screen_tool cover|shot|same|fill ...\n");
  return 2;
}
