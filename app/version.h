#pragma once
// The program's version, for the version resource and the installer.
#define VIMAGER_VERSION_MAJOR 1
#define VIMAGER_VERSION_MINOR 0
#define VIMAGER_VERSION_RELEASE 0
#define VIMAGER_VERSION_BUILD 1

#define VIMAGER_STRINGIFY2(x) #x
#define VIMAGER_STRINGIFY(x) VIMAGER_STRINGIFY2(x)
#define VIMAGER_VERSION_TEXT                                                                          \
    VIMAGER_STRINGIFY(VIMAGER_VERSION_MAJOR) "." VIMAGER_STRINGIFY(VIMAGER_VERSION_MINOR) "."        \
        VIMAGER_STRINGIFY(VIMAGER_VERSION_RELEASE) "." VIMAGER_STRINGIFY(VIMAGER_VERSION_BUILD)
