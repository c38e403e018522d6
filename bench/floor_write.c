/* The floors the whole largest-route build is measured against, as plain C:
   every output goes through a 64 KiB buffer into "<name>.tmp", which is
   renamed over its name, and the two sources are read back through the same
   buffer and deleted, in the order the program does it. usage: floor_write DIR

   Built twice. floor_write streams the line data file in one sequential pass
   through the one buffer, with stand-in doubles (same layout, same size): the
   cost of the file work alone. floor_write_recurrence computes the plan's
   points as the program does and streams each half of the line data file
   through a buffer of its own at its own offset: the file work plus the
   chain of dependent steps no build can skip, and the very bytes the program
   writes. Both assume a little-endian host. */
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <sys/types.h>
#include <unistd.h>

#include "floor_data.h"

#ifndef FLOOR_RECURRENCE
#define FLOOR_RECURRENCE 0
#endif

enum { buffer_size = 64 * 1024 };
static unsigned char buffer[buffer_size];
static unsigned char second_buffer[buffer_size];

static const char *directory;
static char path[4096];
static char temporary[4096 + 8];

static int open_temporary(const char *name) {
  snprintf(path, sizeof path, "%s/%s", directory, name);
  snprintf(temporary, sizeof temporary, "%s.tmp", path);
  return open(temporary, O_WRONLY | O_CREAT | O_TRUNC, 0666);
}

/* Closes the temporary file and renames it over its name; 0 on any failure. */
static int finish(int fd, int ok) {
  if (close(fd) != 0) ok = 0;
  if (!ok) {
    unlink(temporary);
    return 0;
  }
  return rename(temporary, path) == 0;
}

/* Bytes handed to the file through a buffer, each full buffer at its offset. */
struct stream {
  int fd;
  unsigned char *buffer;
  size_t used;
  off_t offset;
  int ok;
};

static void flush(struct stream *s) {
  if (s->used > 0 && s->ok) s->ok = pwrite(s->fd, s->buffer, s->used, s->offset) == (ssize_t)s->used;
  s->offset += (off_t)s->used;
  s->used = 0;
}

static void put(struct stream *s, const void *bytes, size_t size) {
  if (buffer_size - s->used < size) flush(s);
  memcpy(s->buffer + s->used, bytes, size);
  s->used += size;
}

static void put_integer(struct stream *s, int16_t value) {
  unsigned char bytes[4];
  const uint16_t tag = 2;
  memcpy(bytes, &tag, 2);
  memcpy(bytes + 2, &value, 2);
  put(s, bytes, sizeof bytes);
}

static void put_double(struct stream *s, double value) {
  unsigned char bytes[10];
  const uint16_t tag = 5;
  memcpy(bytes, &tag, 2);
  memcpy(bytes + 2, &value, 8);
  put(s, bytes, sizeof bytes);
}

static void put_empty(struct stream *s) {
  const uint16_t tag = 0;
  put(s, &tag, 2);
}

static int write_file(const struct floor_file *file) {
  const int fd = open_temporary(file->name);
  if (fd < 0) return 0;
  struct stream s = {fd, buffer, 0, 0, 1};
  for (size_t done = 0; done < file->size; done += buffer_size) {
    const size_t size = file->size - done < buffer_size ? file->size - done : buffer_size;
    put(&s, file->bytes + done, size);
  }
  flush(&s);
  return finish(fd, s.ok);
}

static int read_and_delete(const char *name) {
  snprintf(path, sizeof path, "%s/%s", directory, name);
  const int fd = open(path, O_RDONLY);
  if (fd < 0) return 0;
  ssize_t got;
  while ((got = read(fd, buffer, buffer_size)) > 0) {
  }
  close(fd);
  return got == 0 && unlink(path) == 0;
}

static void put_empty_points(struct stream *s) {
  for (int m = floor_next_point; m < floor_point_count; ++m) put_empty(s);
}

#if FLOOR_RECURRENCE
/* Each point continues the step from the point before, turned by the
   curvature of its run: the same double operations in the same order as the
   program's plan. */
static int write_line_data(void) {
  const int fd = open_temporary(floor_line_data_name);
  if (fd < 0) return 0;
  const off_t half = 8 + 10 * (off_t)(floor_next_point - 2) + 2 * (off_t)(floor_point_count - floor_next_point);
  struct stream x = {fd, buffer, 0, 0, 1};
  struct stream y = {fd, second_buffer, 0, half, 1};
  put_integer(&x, 0);
  put_integer(&x, 0);
  put_integer(&y, 0);
  put_integer(&y, 1);
  double x0 = 0.0, y0 = 0.0, x1 = 0.0, y1 = 1.0;
  int m = 2;
  for (int r = 0; r < floor_run_count; ++r) {
    const double k = floor_runs[r].curvature;
    for (; m <= floor_runs[r].last_point; ++m) {
      const double dx = x1 - x0;
      const double dy = y1 - y0;
      x0 = x1;
      y0 = y1;
      if (k == 0.0) {
        x1 = x1 + dx;
        y1 = y1 + dy;
      } else {
        x1 = x1 + (dx + k * dy);
        y1 = y1 + (dy - k * dx);
      }
      put_double(&x, x1);
      put_double(&y, y1);
    }
  }
  put_empty_points(&x);
  put_empty_points(&y);
  flush(&x);
  flush(&y);
  return finish(fd, x.ok && y.ok);
}
#else
/* The x half, then the y half, in one sequential pass. */
static int write_line_data(void) {
  const int fd = open_temporary(floor_line_data_name);
  if (fd < 0) return 0;
  struct stream s = {fd, buffer, 0, 0, 1};
  for (int half = 0; half < 2; ++half) {
    put_integer(&s, 0);
    put_integer(&s, (int16_t)half);
    for (int m = 2; m < floor_next_point; ++m) put_double(&s, half == 0 ? (double)m : -(double)m);
    put_empty_points(&s);
  }
  flush(&s);
  (void)second_buffer;
  return finish(fd, s.ok);
}
#endif

int main(int argc, char **argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  directory = argv[1];
  for (int f = 0; f < floor_text_file_count; ++f)
    if (!write_file(&floor_text_files[f])) goto failed;
  for (int f = 0; f < 2; ++f)
    if (!read_and_delete(floor_source_names[f])) goto failed;
  if (!write_line_data() || !write_file(&floor_item_file) || !write_file(&floor_track_file)) goto failed;
  return 0;
failed:
  perror(path);
  return 1;
}
