// libFuzzer calls this once before the first input: every target drives Qt objects, which
// need the application object.

#include "fuzzform.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzzform::startApplication(argc, argv);
    return 0;
}
