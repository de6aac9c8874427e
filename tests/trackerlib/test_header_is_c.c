/* The public header must stay usable from C. */
#include "Kestrel32Dll.h"

int KestrelHeaderIsC(void) {
    KestrelGetSensFn getSens = GetSens;
    KestrelGetKestrelVersionFn version = GetKestrelVersion;
    return getSens != 0 && version() == 0x0103;
}
