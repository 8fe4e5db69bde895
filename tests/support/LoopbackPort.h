#pragma once
// A loopback port that nobody listens on now, for a private server of a test; 0 when the
// system gives none.
int FreeLoopbackPort();
