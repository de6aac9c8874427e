/* The Kestrel tracker library's C interface. The library keeps one tracker per process
 * and must be called from one thread at a time; each call that reads a report blocks
 * for at most 6000 ms. Callers that load the library at run time bind the exports by
 * these names and use the pointer types below. */
#ifndef KESTREL32DLL_H
#define KESTREL32DLL_H

#ifdef __cplusplus
#include <cstdint>
#else
#include <stdbool.h>
#include <stdint.h>
#endif

#if defined(_WIN32)
#if defined(KESTREL_BUILDING_LIBRARY)
#define KESTREL_API __declspec(dllexport)
#else
#define KESTREL_API __declspec(dllimport)
#endif
#else
#define KESTREL_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Reads one input report from the tracker, searching for it first when none is open.
 * False when no tracker is present, when it did not answer within 6000 ms (it is then
 * searched for again on the next call) or when its report was unusable. */
KESTREL_API bool ReadData(void);

/* Reads a report and writes the four receiver distances; outputs untouched on false. */
KESTREL_API bool GetSens(double* d0, double* d1, double* d2, double* d3);

/* Reads two reports and writes the position evaluated from the second. No report:
 * false with the outputs untouched; distances that give no position: false with 0, 0, 0. */
KESTREL_API bool GetCoord(double* x, double* y, double* z);

/* Evaluates a position from the distances of receivers 0 to 3 and keeps it for GetCoord. */
KESTREL_API bool CoordEval(double r0, double r1, double r2, double r3);

/* 0x0103. */
KESTREL_API uint16_t GetKestrelVersion(void);

typedef bool (*KestrelReadDataFn)(void);
typedef bool (*KestrelGetSensFn)(double*, double*, double*, double*);
typedef bool (*KestrelGetCoordFn)(double*, double*, double*);
typedef bool (*KestrelCoordEvalFn)(double, double, double, double);
typedef uint16_t (*KestrelGetKestrelVersionFn)(void);

#ifdef __cplusplus
}
#endif

#endif
