// Counts every operator new of a test program that links test_support_allocation, which
// replaces the global allocation functions; for tests that a path allocates nothing.
#pragma once

long AllocationCount();
