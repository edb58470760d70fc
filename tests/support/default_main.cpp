// The main of a test program with no options of its own.
#include "tests/support/test_main.h"

int main(int argc, char** argv) { return testkit::runTests(argc, argv); }
