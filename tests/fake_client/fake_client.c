/* A stand-in for the Firebird client library, built several ways to show how
 * the driver binds: which file it picks, and whether it serialises calls.
 * FAKE_MAJOR_VERSION: the major version to report (undefined: no version
 * entry, as an old client). FAKE_NAME: what isc_get_client_version writes. */
#include <string.h>

#define EXPORT __attribute__((visibility("default")))

typedef long ISC_STATUS;
typedef unsigned int handle_t;

static void (*probe)(void);

/* Lets a test observe the moment the driver is inside a client call. */
EXPORT void fake_client_set_probe(void (*fn)(void)) { probe = fn; }

EXPORT ISC_STATUS isc_attach_database(ISC_STATUS* status, short length, const char* name,
                                      handle_t* db, short dpb_length, const char* dpb)
{
    if (probe) probe();
    status[0] = 1;
    status[1] = 0;
    status[2] = 0;
    *db = 1;
    return 0;
}

EXPORT long isc_sqlcode(const ISC_STATUS* status)
{
    if (probe) probe();
    return -999;
}

EXPORT void isc_get_client_version(char* buffer) { strcpy(buffer, FAKE_NAME); }

#ifdef FAKE_MAJOR_VERSION
EXPORT int isc_get_client_major_version(void) { return FAKE_MAJOR_VERSION; }
EXPORT int isc_get_client_minor_version(void) { return 1; }
#endif
