/* Compiled as C and as C++ by the header check: includes the public header and
 * takes the address of every export as its pointer type, so that each
 * declaration is used and must agree with its typedef. */
#include <OrvaneLib.h>

#define ORVANE_PROBE(result, name, failure, params, args) \
    name##Fn probe_##name(void);                          \
    name##Fn probe_##name(void) { return &name; }
ORVANE_EXPORT_LIST(ORVANE_PROBE)
#undef ORVANE_PROBE
