/* LD_PRELOAD shim for the lrzsz peers of the transfer tests: their flushes
 * become no-ops. lrzsz flushes its input right after each ACK or NAK, and its
 * whole line on exit. On a real line the next block is milliseconds away, but
 * over a pty it may already be queued and is thrown away, and so may the final
 * ACK: the tests would then measure that pty artefact instead of the protocol.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdarg.h>
#include <sys/ioctl.h>
#include <termios.h>

int tcflush(int fd, int queue)
{
    (void)fd;
    (void)queue;
    return 0;
}

int ioctl(int fd, unsigned long req, ...)
{
    static int (*real_ioctl)(int, unsigned long, ...);
    va_list ap;
    va_start(ap, req);
    void *arg = va_arg(ap, void *);
    va_end(ap);
    if (req == TCFLSH)
        return 0;
    if (!real_ioctl)
        real_ioctl = (int (*)(int, unsigned long, ...))dlsym(RTLD_NEXT, "ioctl");
    return real_ioctl(fd, req, arg);
}
