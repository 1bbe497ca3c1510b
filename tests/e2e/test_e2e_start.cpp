// Placeholder; the start-up scenarios follow.
#include <gtest/gtest.h>
