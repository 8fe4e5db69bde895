#pragma once
// A test may start its own binary again to play a second program beside it (a second desk on
// one server, say). The binary then runs the role named in LEVANTA_TEST_ROLE instead of the
// tests, so the role is no test of its own and never shows in the suite's list.

#include <functional>

// Registers a role under a name; returns true so that it can initialise a static.
bool RegisterTestRole(const char *name, std::function<int()> role);
// The exit code of the role that LEVANTA_TEST_ROLE names, or nothing when none is asked for.
// An unknown name is an error (exit code 2), not a silent test run.
int RunAskedTestRole(bool &asked);
