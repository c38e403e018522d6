/* Times the largest-route program as a player starts it, from start to exit,
   beside the two C floors (floor_write.c), each in a folder that holds its
   previous run's files. The three run in turn, round after round, in a
   rotating order, so that the load of a shared machine falls on all alike;
   it prints the medians of elapsed and processor time, the medians of the
   per-round ratios with their quartiles (the noise), the program's peak
   resident memory, and whether the floor with the recurrence wrote the
   program's very bytes.
     whole_process_bench ROUNDS WORK_DIR PROGRAM FLOOR FLOOR_WITH_RECURRENCE
   The program writes beside itself, so it is copied into WORK_DIR/program.
   Written in C and kept small: a child's peak resident memory, as the kernel
   reports it, is at least that of the process that started it. */
#define _GNU_SOURCE
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char **environ;

enum { program, floor_plain, floor_recurrence, contenders };
static const char *const labels[contenders] = {"program", "C floor: streaming write",
                                               "C floor: streaming write + recurrence"};

struct sample {
  double elapsed_ms, processor_ms;
  long peak_kib;
};

static void give_up(const char *what, const char *detail) {
  fprintf(stderr, "whole_process_bench: %s %s\n", what, detail);
  exit(1);
}

static void make_folder(const char *path) {
  if (mkdir(path, 0777) != 0 && errno != EEXIST) give_up("cannot create", path);
}

static void copy_program(const char *from, const char *to) {
  char buffer[1 << 16];
  const int in = open(from, O_RDONLY);
  const int out = open(to, O_WRONLY | O_CREAT | O_TRUNC, 0755);
  if (in < 0 || out < 0) give_up("cannot copy the program to", to);
  ssize_t got;
  while ((got = read(in, buffer, sizeof buffer)) > 0)
    if (write(out, buffer, (size_t)got) != got) give_up("cannot copy the program to", to);
  close(in);
  if (close(out) != 0 || got < 0) give_up("cannot copy the program to", to);
}

static double ms_between(struct timespec a, struct timespec b) {
  return (double)(b.tv_sec - a.tv_sec) * 1e3 + (double)(b.tv_nsec - a.tv_nsec) / 1e6;
}

static double ms_of(struct timeval t) { return (double)t.tv_sec * 1e3 + (double)t.tv_usec / 1e3; }

/* The program says "Attendere" on standard output while it works. */
static posix_spawn_file_actions_t quiet;

static struct sample run(char *const argv[]) {
  struct timespec start, end;
  struct rusage usage;
  pid_t child;
  int status = 0;
  clock_gettime(CLOCK_MONOTONIC, &start);
  if (posix_spawn(&child, argv[0], &quiet, NULL, argv, environ) != 0) give_up("cannot start", argv[0]);
  if (wait4(child, &status, 0, &usage) != child) give_up("lost", argv[0]);
  clock_gettime(CLOCK_MONOTONIC, &end);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) give_up("failed:", argv[0]);
  struct sample s = {ms_between(start, end), ms_of(usage.ru_utime) + ms_of(usage.ru_stime), usage.ru_maxrss};
  return s;
}

static int by_value(const void *a, const void *b) {
  const double x = *(const double *)a, y = *(const double *)b;
  return (x > y) - (x < y);
}

/* The value at fraction q of the sorted values (0.5: the median). */
static double quantile(double *values, int count, double q) {
  qsort(values, (size_t)count, sizeof *values, by_value);
  return values[(int)(q * (count - 1) + 0.5)];
}

/* 1 when the two files hold the same bytes. */
static int same_bytes(const char *a, const char *b) {
  FILE *x = fopen(a, "rb"), *y = fopen(b, "rb");
  int same = x != NULL && y != NULL;
  while (same) {
    const int c = getc(x);
    same = c == getc(y);
    if (c == EOF) break;
  }
  if (x) fclose(x);
  if (y) fclose(y);
  return same;
}

static long size_of(const char *path) {
  struct stat s;
  return stat(path, &s) == 0 ? (long)s.st_size : -1;
}

/* Every file the program wrote, against the floors' files of that name: the
   same bytes from the floor with the recurrence, the same size from the
   other. Prints what differs; 1 when nothing does. */
static int floors_match(char dirs[contenders][4096], const char *program_name) {
  DIR *listing = opendir(dirs[program]);
  if (listing == NULL) give_up("cannot list", dirs[program]);
  int files = 0, match = 1;
  for (struct dirent *entry; (entry = readdir(listing)) != NULL;) {
    if (entry->d_name[0] == '.' || strcmp(entry->d_name, program_name) == 0) continue;
    char path[contenders][3 * 4096 + 512];
    for (int c = 0; c < contenders; ++c) snprintf(path[c], sizeof path[c], "%s/%s", dirs[c], entry->d_name);
    ++files;
    if (!same_bytes(path[program], path[floor_recurrence])) {
      printf("  %s differs from the floor with the recurrence's\n", entry->d_name);
      match = 0;
    }
    if (size_of(path[program]) != size_of(path[floor_plain])) {
      printf("  %s differs in size from the plain floor's\n", entry->d_name);
      match = 0;
    }
  }
  closedir(listing);
  return match && files == 6;
}

int main(int argc, char **argv) {
  if (argc != 6) {
    fprintf(stderr, "usage: %s ROUNDS WORK_DIR PROGRAM FLOOR FLOOR_WITH_RECURRENCE\n", argv[0]);
    return 2;
  }
  const int rounds = atoi(argv[1]);
  if (rounds < 1) give_up("rounds must be at least", "1");
  char dirs[contenders][4096], program_copy[4096 + 256];
  make_folder(argv[2]);
  const char *const names[contenders] = {"program", "floor", "floor_recurrence"};
  for (int c = 0; c < contenders; ++c) {
    snprintf(dirs[c], sizeof dirs[c], "%s/%s", argv[2], names[c]);
    make_folder(dirs[c]);
  }
  const char *slash = strrchr(argv[3], '/');
  const char *program_name = slash != NULL ? slash + 1 : argv[3];
  snprintf(program_copy, sizeof program_copy, "%s/%s", dirs[program], program_name);
  copy_program(argv[3], program_copy);
  char *commands[contenders][3] = {{program_copy, NULL, NULL},
                                   {argv[4], dirs[floor_plain], NULL},
                                   {argv[5], dirs[floor_recurrence], NULL}};

  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  /* A first run of each, so that every folder holds the previous run's files. */
  for (int c = 0; c < contenders; ++c) run(commands[c]);

  double *elapsed[contenders], *processor[contenders], *ratio[2][2];
  long peak_kib[contenders] = {0, 0, 0};
  for (int c = 0; c < contenders; ++c) {
    elapsed[c] = calloc((size_t)rounds, sizeof(double));
    processor[c] = calloc((size_t)rounds, sizeof(double));
  }
  for (int f = 0; f < 2; ++f)
    for (int kind = 0; kind < 2; ++kind) ratio[f][kind] = calloc((size_t)rounds, sizeof(double));
  for (int r = 0; r < rounds; ++r) {
    for (int turn = 0; turn < contenders; ++turn) {
      const int c = (r + turn) % contenders;
      const struct sample s = run(commands[c]);
      elapsed[c][r] = s.elapsed_ms;
      processor[c][r] = s.processor_ms;
      if (s.peak_kib > peak_kib[c]) peak_kib[c] = s.peak_kib;
    }
    for (int f = 0; f < 2; ++f) {
      ratio[f][0][r] = elapsed[program][r] / elapsed[floor_plain + f][r];
      ratio[f][1][r] = processor[program][r] / processor[floor_plain + f][r];
    }
  }

  printf(
      "\nWhole process, largest route: %d rounds, the program and the two C floors in turn, each in a folder\n"
      "holding its previous run's files; medians (processor time = user + system)\n",
      rounds);
  for (int c = 0; c < contenders; ++c)
    printf("  %-40s elapsed %6.1f ms  processor %6.1f ms  peak RSS %5.2f MiB\n", labels[c],
           quantile(elapsed[c], rounds, 0.5), quantile(processor[c], rounds, 0.5), (double)peak_kib[c] / 1024.0);
  const char *const against[2] = {"program / streaming write", "program / streaming write + recurrence"};
  const double target[2] = {1.5, 1.1};
  const char *const goal[2] = {"target 1.5, aim 1.3", "aim 1.1"};
  for (int f = 0; f < 2; ++f) {
    const double median = quantile(ratio[f][0], rounds, 0.5);
    const double low = quantile(ratio[f][0], rounds, 0.25), high = quantile(ratio[f][0], rounds, 0.75);
    printf("  %-40s %5.2fx (%s) %-7s quartiles %4.2f-%4.2f  processor time %5.2fx\n", against[f], median, goal[f],
           median <= target[f] ? "met" : "NOT MET", low, high, quantile(ratio[f][1], rounds, 0.5));
  }
  printf("  %-40s %5.2f MiB (target 8 MB = 7.63 MiB) %s\n", "peak resident memory of the program",
         (double)peak_kib[program] / 1024.0, peak_kib[program] * 1024L <= 8000000L ? "met" : "NOT MET");
  if (!floors_match(dirs, program_name)) {
    printf("  the floors do not write the program's six files: the ratios compare unlike work\n");
    return 1;
  }
  printf("  the floor with the recurrence writes the program's six files byte for byte\n");
  return 0;
}
