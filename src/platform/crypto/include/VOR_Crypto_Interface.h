#pragma once

/* Data protection service: protects short secret values so that only processes sharing the
 * same home directory can read them back. Plain C signatures so that any caller can bind them.
 *
 * Call order: VOR_CryptoInitialize (per service user), VOR_PersistentInitialize2 (gives a
 * handle), VOR_SetInfo, then any number of VOR_ProtectData / VOR_UnprotectData, and finally
 * VOR_CryptoTerminate (which releases that service's handles once its last user is gone).
 *
 * Every buffer the library hands out (result documents, protected or clear data, error details)
 * is released with VOR_CryptoFree. Result documents are produced only on failure; on success the
 * result pointer is set to NULL.
 *
 * Return values: 0 (or, for VOR_ProtectData, VOR_UnprotectData and
 * VOR_CryptoGetLastErrorDetails, any non-negative value) is success; failures are the negative
 * VOR_CRYPTO_E_* codes below. After a failure, VOR_CryptoGetLastErrorDetails tells why; it keeps
 * one text per handle and calling thread (handle 0: the thread's last failure without a handle).
 */

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef unsigned long VOR_CryptoHandle;

#define VOR_CRYPTO_OK 0
#define VOR_CRYPTO_E_ARGUMENT (-1)        /* a null pointer or an impossible length */
#define VOR_CRYPTO_E_DOCUMENT (-2)        /* a request document that is not understood */
#define VOR_CRYPTO_E_NOT_INITIALIZED (-3) /* the service was not initialised */
#define VOR_CRYPTO_E_HANDLE (-4)          /* an unknown or already released handle */
#define VOR_CRYPTO_E_KEY (-5)             /* the key folder or key file cannot be used */
#define VOR_CRYPTO_E_CIPHER (-6)          /* the cipher itself failed */
#define VOR_CRYPTO_E_TAMPERED (-7)        /* protected data altered, truncated or foreign */
#define VOR_CRYPTO_E_MEMORY (-8)          /* out of memory */
#define VOR_CRYPTO_E_NO_DETAILS (-9)      /* no failure recorded for this handle and thread */
#define VOR_CRYPTO_E_UNSUPPORTED (-10)    /* an action or data location not offered */
#define VOR_CRYPTO_E_INTERNAL (-11)       /* an unexpected failure inside the service */

/* Registers one user of the service named in the document's <serviceID>. */
int VOR_CryptoInitialize(const char* initializeDocument, unsigned int flags, char** resultDocument);

/* Opens a handle on an initialised service; loads (or, the first time for a home directory,
 * creates) the protection key. */
int VOR_PersistentInitialize2(VOR_CryptoHandle* handle, const char* serviceID, unsigned int flags,
                              char** resultDocument);

/* Chooses what the handle does: action "CSKEncrypt" with data location "memory". */
int VOR_SetInfo(VOR_CryptoHandle handle, const char* setInfoDocument, char** resultDocument);

/* Protects length bytes; *out receives the protected bytes (authenticated, with a fresh nonce). */
int VOR_ProtectData(VOR_CryptoHandle handle, const void* data, size_t length, unsigned char** out,
                    size_t* outLength, unsigned int flags);

/* Gives back the clear bytes of protected data; any altered byte fails with
 * VOR_CRYPTO_E_TAMPERED. *out is NUL-terminated for convenience (not counted in *outLength). */
int VOR_UnprotectData(VOR_CryptoHandle handle, const void* data, size_t length, unsigned char** out,
                      size_t* outLength, unsigned int flags);

/* The text of the calling thread's last failure on the handle; returns its length. */
int VOR_CryptoGetLastErrorDetails(VOR_CryptoHandle handle, unsigned int flags, char** details);

/* Releases a buffer returned by this library (NULL is accepted). Clears it before release.
 * Returns VOR_CRYPTO_E_ARGUMENT for a pointer the library did not hand out. */
int VOR_CryptoFree(void* buffer, unsigned int flags);

/* Unregisters one user of the service named in the document's <serviceID>; the last one
 * releases the service's handles. */
int VOR_CryptoTerminate(const char* terminateDocument, unsigned int flags, char** resultDocument);

#ifdef __cplusplus
}
#endif
