// Included first in every file the check compiles for an Apple target. The host's glibc
// and libc++ stand in for Darwin's; this header takes from them what a Mac would not have.
#pragma once

// libc++ as Apple ships it marks what each macOS release brings (floating-point
// std::to_chars, std::atomic::wait, ...); the marks are on only where __APPLE__ is defined,
// which the check leaves undefined for glibc's sake, and Debian's build turns them off.
// On for libc++'s marks alone, a facility newer than the deployment target fails here as
// it would on a Mac.
#include <__config>
#undef _LIBCPP_HAS_NO_VENDOR_AVAILABILITY_ANNOTATIONS
#define __APPLE__ 1
#include <__availability>
#undef __APPLE__

// glibc's own extensions, which libc++ needs declared here but Darwin's C library lacks:
// any use in the project is an error.
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <string.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>
#pragma clang poison pipe2 accept4 dup3 memrchr rawmemchr strchrnul mempcpy ppoll syncfs gettid
#pragma clang poison sched_getcpu clock_nanosleep pthread_getattr_np pthread_timedjoin_np recvmmsg sendmmsg
