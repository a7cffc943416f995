#!/bin/sh
# The strip that the package build gives CMake (CMAKE_STRIP): as Debian's dh_strip does, it also drops
# the compiler's .comment and .note sections, which nothing reads at run time.
exec strip --remove-section=.comment --remove-section=.note --strip-unneeded "$@"
