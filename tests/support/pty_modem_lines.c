/* LD_PRELOAD shim for a serial server under test: a pseudo-terminal has no
 * modem lines, so TIOCMGET and its setters fail on it. Here they work on one
 * number kept in the file $KESTRELON_MODEM_LINES (TIOCM_ bits in decimal):
 * the test reads what the server set (DTR, RTS) and writes the inputs it
 * wants the server to see (CTS, DSR, CD, RI).
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/ioctl.h>

static int lines_read(void)
{
    const char *path = getenv("KESTRELON_MODEM_LINES");
    FILE *f = path ? fopen(path, "r") : NULL;
    int bits = 0;
    if (f) {
        if (fscanf(f, "%d", &bits) != 1)
            bits = 0;
        fclose(f);
    }
    return bits;
}

static void lines_write(int bits)
{
    const char *path = getenv("KESTRELON_MODEM_LINES");
    FILE *f = path ? fopen(path, "w") : NULL;
    if (f) {
        fprintf(f, "%d\n", bits);
        fclose(f);
    }
}

int ioctl(int fd, unsigned long req, ...)
{
    static int (*real_ioctl)(int, unsigned long, ...);
    va_list ap;
    va_start(ap, req);
    void *arg = va_arg(ap, void *);
    va_end(ap);
    if (!real_ioctl)
        real_ioctl = (int (*)(int, unsigned long, ...))dlsym(RTLD_NEXT, "ioctl");
    const int rc = real_ioctl(fd, req, arg);
    if (rc == 0 || errno != ENOTTY || arg == NULL)
        return rc;
    int *bits = (int *)arg;
    switch (req) {
    case TIOCMGET: *bits = lines_read(); return 0;
    case TIOCMSET: lines_write(*bits); return 0;
    case TIOCMBIS: lines_write(lines_read() | *bits); return 0;
    case TIOCMBIC: lines_write(lines_read() & ~*bits); return 0;
    default: return rc;
    }
}
