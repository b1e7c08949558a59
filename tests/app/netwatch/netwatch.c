/* Preloaded into a test program to note every name lookup and every network
 * connection it tries, in the file named by $TESSELON_NETWATCH_LOG. Local sockets
 * (the display, the session bus) are not network connections and are not noted. */
#define _GNU_SOURCE
#include <arpa/inet.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <netdb.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

static void note(const char* line) {
    const char* path = getenv("TESSELON_NETWATCH_LOG");
    if (!path || !*path) return;
    int fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return;
    ssize_t ignored = write(fd, line, strlen(line));
    (void)ignored;
    close(fd);
}

int getaddrinfo(const char* node, const char* service, const struct addrinfo* hints, struct addrinfo** res) {
    char line[512];
    snprintf(line, sizeof line, "lookup %s\n", node ? node : "(null)");
    note(line);
    int (*next)(const char*, const char*, const struct addrinfo*, struct addrinfo**) =
        (int (*)(const char*, const char*, const struct addrinfo*, struct addrinfo**))dlsym(RTLD_NEXT, "getaddrinfo");
    return next(node, service, hints, res);
}

int connect(int fd, const struct sockaddr* address, socklen_t length) {
    if (address && (address->sa_family == AF_INET || address->sa_family == AF_INET6)) {
        char host[INET6_ADDRSTRLEN] = "?";
        int port = 0;
        if (address->sa_family == AF_INET) {
            const struct sockaddr_in* in = (const struct sockaddr_in*)address;
            inet_ntop(AF_INET, &in->sin_addr, host, sizeof host);
            port = ntohs(in->sin_port);
        } else {
            const struct sockaddr_in6* in6 = (const struct sockaddr_in6*)address;
            inet_ntop(AF_INET6, &in6->sin6_addr, host, sizeof host);
            port = ntohs(in6->sin6_port);
        }
        char line[128];
        snprintf(line, sizeof line, "connect %s %d\n", host, port);
        note(line);
    }
    int (*next)(int, const struct sockaddr*, socklen_t) =
        (int (*)(int, const struct sockaddr*, socklen_t))dlsym(RTLD_NEXT, "connect");
    return next(fd, address, length);
}
