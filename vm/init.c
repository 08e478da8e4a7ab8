/*
 * First process of the test guest.
 *
 * Debian builds virtio, 9p and overlayfs as modules and its own initrd cannot mount a 9p
 * root, so this small static program does the early boot itself: it loads the modules
 * bundled beside it, mounts the host's guest root read-only with a tmpfs overlay on top,
 * mounts the host folder under test at its own absolute path, loads the kernel modules the
 * tests need, runs one command and reports its exit status to the host through a third
 * shared folder before powering the machine off.
 *
 * The host describes the run in files on the "ctl" share:
 *   argv     the command and its arguments, each ended by a NUL byte
 *   cwd      the working directory of the command
 *   share    the absolute path at which the "share" folder is mounted
 *   modules  kernel modules to load before the command, separated by spaces
 *   env      NAME=value entries, each ended by a NUL byte
 * and finds "started" once the machine is up, then the result in "status": the exit status
 * as decimal text, or 128 + signal.
 *
 * A C program instead of a shell script because every process start costs 50-100 ms
 * under software emulation.
 */
#define _GNU_SOURCE
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/io.h>
#include <sys/mount.h>
#include <sys/reboot.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

/* Distinct from any ordinary test result: the guest could not run the command at all. */
#define STATUS_HARNESS_FAILURE 125

#define MAX_FILE 65536

static const unsigned short kDebugExitPort = 0xf4;
#define MAX_ITEMS 256

static const char* const kNewRoot = "/newroot";

static void say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    fputs("qmt-vm-init: ", stderr);
    vfprintf(stderr, format, args);
    fputc('\n', stderr);
    va_end(args);
}

/* Nothing sensible is left to do when the early boot fails: tell why and switch off. */
static void power_off(void) {
    sync();
    /* The host gives the machine QEMU's debug-exit port: writing to it ends QEMU at once,
     * without the kernel's shutdown and its "Power down" line in the command's output. */
    if (ioperm(kDebugExitPort, 1, 1) == 0) outb(0, kDebugExitPort);
    reboot(RB_POWER_OFF);
    for (;;)
        pause();
}

static void die(const char* what) {
    say("%s: %s", what, strerror(errno));
    power_off();
}

static void must_mount(const char* source, const char* target, const char* type,
                       unsigned long flags, const char* options) {
    if (mkdir(target, 0755) != 0 && errno != EEXIST) die(target);
    if (mount(source, target, type, flags, options) != 0) die(target);
}

/* mkdir -p: the share's absolute path may not exist in the guest root. */
static void make_path(const char* path) {
    char buffer[4096];
    if (snprintf(buffer, sizeof buffer, "%s", path) >= (int)sizeof buffer) die("path too long");
    for (char* p = buffer + 1; *p; ++p) {
        if (*p != '/') continue;
        *p = '\0';
        if (mkdir(buffer, 0755) != 0 && errno != EEXIST) die(buffer);
        *p = '/';
    }
    if (mkdir(buffer, 0755) != 0 && errno != EEXIST) die(buffer);
}

/* Reads a whole control file; a missing optional file reads as empty. */
static size_t read_file(const char* path, char* buffer, size_t capacity, int required) {
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (required) die(path);
        buffer[0] = '\0';
        return 0;
    }
    size_t length = 0;
    for (;;) {
        ssize_t got = read(fd, buffer + length, capacity - 1 - length);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) die(path);
        if (got == 0) break;
        length += (size_t)got;
        if (length == capacity - 1) break;
    }
    close(fd);
    buffer[length] = '\0';
    return length;
}

/* Splits NUL-ended entries into a NULL-terminated array that points into the buffer. */
static size_t split_nul(char* buffer, size_t length, char** items) {
    size_t count = 0;
    for (size_t i = 0; i < length && count < MAX_ITEMS - 1; i += strlen(buffer + i) + 1)
        items[count++] = buffer + i;
    items[count] = NULL;
    return count;
}

static void trim_newline(char* text) {
    size_t length = strlen(text);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == ' '))
        text[--length] = '\0';
}

static int by_name(const struct dirent** a, const struct dirent** b) {
    return strcmp((*a)->d_name, (*b)->d_name);
}

/* The host numbered the bundled modules in dependency order. */
static void load_early_modules(void) {
    struct dirent** entries;
    int count = scandir("/modules", &entries, NULL, by_name);
    if (count < 0) die("/modules");
    for (int i = 0; i < count; ++i) {
        const char* name = entries[i]->d_name;
        if (name[0] != '.') {
            char path[512];
            snprintf(path, sizeof path, "/modules/%s", name);
            int fd = open(path, O_RDONLY | O_CLOEXEC);
            if (fd < 0) die(path);
            if (syscall(SYS_finit_module, fd, "", 0) != 0 && errno != EEXIST) die(path);
            close(fd);
        }
        free(entries[i]);
    }
    free(entries);
}

static void open_console(void) {
    int fd = open("/dev/console", O_RDWR | O_NOCTTY);
    if (fd < 0) return;
    dup2(fd, 1);
    dup2(fd, 2);
    if (fd > 2) close(fd);
    int null = open("/dev/null", O_RDONLY);
    if (null >= 0 && null != 0) {
        dup2(null, 0);
        close(null);
    }
    /* Pass the command's bytes through unchanged; the host's terminal adds its own CRs. */
    struct termios mode;
    if (tcgetattr(1, &mode) == 0) {
        mode.c_oflag &= ~(tcflag_t)OPOST;
        tcsetattr(1, TCSANOW, &mode);
    }
}

static void mount_under_new_root(const char* source, const char* relative, const char* type,
                                 unsigned long flags, const char* options) {
    char target[512];
    snprintf(target, sizeof target, "%s%s", kNewRoot, relative);
    must_mount(source, target, type, flags, options);
}

static void build_root(const char* share) {
    const char* nine_p = "trans=virtio,version=9p2000.L,msize=262144";
    char options[512];

    snprintf(options, sizeof options, "%s,cache=loose", nine_p);
    must_mount("root", "/lower", "9p", MS_RDONLY, options);
    must_mount("tmpfs", "/upper", "tmpfs", 0, "mode=0755");
    if (mkdir("/upper/data", 0755) != 0 || mkdir("/upper/work", 0755) != 0) die("/upper");
    must_mount("overlay", kNewRoot, "overlay", 0,
               "lowerdir=/lower,upperdir=/upper/data,workdir=/upper/work");

    mount_under_new_root("proc", "/proc", "proc", 0, NULL);
    mount_under_new_root("sysfs", "/sys", "sysfs", 0, NULL);
    mount_under_new_root("devtmpfs", "/dev", "devtmpfs", 0, NULL);
    mount_under_new_root("devpts", "/dev/pts", "devpts", 0, "gid=5,mode=620");
    mount_under_new_root("tmpfs", "/dev/shm", "tmpfs", 0, "mode=1777");
    mount_under_new_root("tmpfs", "/tmp", "tmpfs", 0, "mode=1777");
    mount_under_new_root("tmpfs", "/run", "tmpfs", 0, "mode=0755");

    char target[4200];
    if (snprintf(target, sizeof target, "%s%s", kNewRoot, share) >= (int)sizeof target)
        die("share path too long");
    make_path(target);
    snprintf(options, sizeof options, "%s,cache=mmap", nine_p);
    if (mount("share", target, "9p", 0, options) != 0) die(target);
}

/* Runs a program inside the new root and waits for it; returns its wait status. */
static int run_and_wait(char* const argv[], char* const envp[], const char* cwd) {
    pid_t child = fork();
    if (child < 0) die("fork");
    if (child == 0) {
        if (chroot(kNewRoot) != 0 || chdir(cwd) != 0) {
            say("cannot enter %s: %s", cwd, strerror(errno));
            _exit(STATUS_HARNESS_FAILURE);
        }
        setsid();
        /* execvpe searches the caller's PATH, and process 1 starts without one. */
        const char* path = "/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin";
        for (char* const* entry = envp; *entry; ++entry)
            if (strncmp(*entry, "PATH=", 5) == 0) path = *entry + 5;
        setenv("PATH", path, 1);
        execvpe(argv[0], argv, envp);
        say("cannot run %s: %s", argv[0], strerror(errno));
        _exit(errno == ENOENT ? 127 : 126);
    }
    /* As process 1 we also reap whatever the command left orphaned. */
    for (;;) {
        int status;
        pid_t done = waitpid(-1, &status, 0);
        if (done == child) return status;
        if (done < 0 && errno != EINTR) die("waitpid");
    }
}

static int exit_code(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return STATUS_HARNESS_FAILURE;
}

static int load_test_modules(const char* list, char* const envp[]) {
    static char modules[4096];
    snprintf(modules, sizeof modules, "%s", list);
    char* argv[MAX_ITEMS] = {"modprobe", "-a"};
    size_t count = 2;
    for (char* name = strtok(modules, " \n"); name && count < MAX_ITEMS - 1;
         name = strtok(NULL, " \n"))
        argv[count++] = name;
    if (count == 2) return 0;
    argv[count] = NULL;
    return exit_code(run_and_wait(argv, envp, "/"));
}

static void report_status(int code) {
    int fd = open("/ctl/status", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) die("/ctl/status");
    char text[16];
    int length = snprintf(text, sizeof text, "%d\n", code);
    if (write(fd, text, (size_t)length) != length) die("/ctl/status");
    fsync(fd);
    close(fd);
}

static char argv_text[MAX_FILE], env_text[MAX_FILE], cwd[4096], share[4096], modules[4096];

int main(void) {
    must_mount("devtmpfs", "/dev", "devtmpfs", 0, NULL);
    open_console();
    must_mount("proc", "/proc", "proc", 0, NULL);
    must_mount("sysfs", "/sys", "sysfs", 0, NULL);
    load_early_modules();
    must_mount("ctl", "/ctl", "9p", 0, "trans=virtio,version=9p2000.L,cache=none");

    char *argv[MAX_ITEMS], *envp[MAX_ITEMS];
    if (split_nul(argv_text, read_file("/ctl/argv", argv_text, sizeof argv_text, 1), argv) == 0) {
        say("no command given");
        report_status(STATUS_HARNESS_FAILURE);
        power_off();
    }
    split_nul(env_text, read_file("/ctl/env", env_text, sizeof env_text, 0), envp);
    read_file("/ctl/cwd", cwd, sizeof cwd, 1);
    read_file("/ctl/share", share, sizeof share, 1);
    read_file("/ctl/modules", modules, sizeof modules, 0);
    trim_newline(cwd);
    trim_newline(share);
    trim_newline(modules);

    build_root(share);
    int code = load_test_modules(modules, envp);
    /* Tells the host's boot watchdog that the machine came up. */
    close(open("/ctl/started", O_WRONLY | O_CREAT | O_TRUNC, 0644));
    if (code != 0) {
        say("loading the modules \"%s\" failed", modules);
        code = STATUS_HARNESS_FAILURE;
    } else {
        code = exit_code(run_and_wait(argv, envp, cwd));
    }
    report_status(code);
    power_off();
    return 0;
}
