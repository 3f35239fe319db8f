#pragma once

#include <cstdio>
#include <cstdlib>

// Names the failed condition; libFuzzer then keeps the input that broke it.
#define CHECK(ok) ((ok) ? void() : (std::fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #ok), std::abort()))
