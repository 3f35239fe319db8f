#pragma once

// Plain SSE code runs markedly slower on a thread whose vector registers' upper halves are still
// marked in use by AVX code that did not clear them, as the window toolkit's start-up leaves them,
// and a new thread inherits the state of the one that made it. A worker clears it before it starts.
void clearUpperVectorState();
