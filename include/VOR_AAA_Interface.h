/*
 * The public binary interface of the Basalt provider (libBasalt.so).
 *
 * A host loads the library, resolves the one exported function VOR_AAA_GetInterface and asks it
 * for three tables of entry points. Every entry returns a signed 32-bit result code (0 success,
 * negative failure). Texts passed in are NUL-terminated single-byte strings; texts handed back
 * through an out-pointer are allocated with the host's alloc routine (exactly length + 1 bytes,
 * NUL-terminated) and belong to the host. Every out-pointer is set to null on entry, so an entry
 * that produces no document leaves it null.
 *
 * Interfaces 0 and 1 are plain C. Interface 2 passes document objects of the provider's object
 * model and is only usable from C++ code built against it.
 */
#ifndef VOR_AAA_INTERFACE_H
#define VOR_AAA_INTERFACE_H

#include <stdint.h>

#if defined(__cplusplus)
class VOR_AAA_AuthDoc;
class VOR_AAA_AuthResponse;
class VOR_AAA_Visa;
class VOR_AAA_QueryDoc;
class VOR_AAA_QueryResponse;
class VOR_AAA_OMException;
extern "C" {
#else
typedef struct VOR_AAA_AuthDoc VOR_AAA_AuthDoc;
typedef struct VOR_AAA_AuthResponse VOR_AAA_AuthResponse;
typedef struct VOR_AAA_Visa VOR_AAA_Visa;
typedef struct VOR_AAA_QueryDoc VOR_AAA_QueryDoc;
typedef struct VOR_AAA_QueryResponse VOR_AAA_QueryResponse;
typedef struct VOR_AAA_OMException VOR_AAA_OMException;
#endif

#if defined(__GNUC__)
#define VOR_AAA_EXPORT __attribute__((visibility("default")))
#else
#define VOR_AAA_EXPORT
#endif

/* Result codes. Any other negative code carried by a failure inside the provider is passed
 * through unchanged. */
enum VOR_AAA_ResultCode {
    kVOR_AAA_Success = 0,
    /* the directory library's process initialisation or termination failed */
    kVOR_AAA_DirectoryProcessFailure = -1,
    /* VOR_AAA_GetInterface: unknown interface number */
    kVOR_AAA_UnknownInterface = -16,
    /* a required pointer argument is null (BasaltInitialize); also a document parse failure */
    kVOR_AAA_InvalidArgument = -19,
    /* the provider object could not be created, or no namespace was built */
    kVOR_AAA_NoProvider = -24,
    /* the provider has not been initialised: no alloc routine is stored */
    kVOR_AAA_NotInitialized = -26,
    /* a mandatory configuration parameter is missing */
    kVOR_AAA_MissingParameter = -34,
    /* authentication: user-recoverable (a prompt), system-recoverable, other */
    kVOR_AAA_AuthUserRecoverable = -36,
    kVOR_AAA_AuthSystemRecoverable = -37,
    kVOR_AAA_AuthUnrecoverable = -38,
    /* general failure: the default code of every reported exception */
    kVOR_AAA_GeneralFailure = -48,
    /* authentication: a namespace claimed a document sent to the generic namespace identifier */
    kVOR_AAA_NamespaceClaimed = -50
};

/* Interface numbers accepted by VOR_AAA_GetInterface. */
enum VOR_AAA_InterfaceNumber {
    kVOR_AAA_LifecycleInterface = 0,
    kVOR_AAA_DocumentTextInterface = 1,
    kVOR_AAA_DocumentObjectInterface = 2
};

/* The host's allocation routine: size in bytes to a writable block, or null. */
typedef void* (*VOR_AAA_AllocRoutine)(uint32_t size);

/* Interface 0: lifecycle. */
typedef int32_t (*VOR_AAA_InitializeFn)(VOR_AAA_AllocRoutine allocRoutine,
                                        const char* additionalInfo, char** exception);
typedef int32_t (*VOR_AAA_TerminateFn)(const char* additionalInfo, char** exception);
typedef int32_t (*VOR_AAA_ConfigureFn)(const char* configuration, const char* additionalInfo,
                                       char** response, char** exception);
typedef int32_t (*VOR_AAA_SetNamespaceVersionFn)(const char* setNamespaceVersion,
                                                 const char* additionalInfo, char** exception);

/* Interface 1: document texts. */
typedef int32_t (*VOR_AAA_AuthenticateXmlFn)(const char* authenticate, char** response);
typedef int32_t (*VOR_AAA_SearchXmlFn)(const char* visa, const char* query, char** response,
                                       char** exception);

/* Interface 2: document objects. */
typedef int32_t (*VOR_AAA_AuthenticateFn)(VOR_AAA_AuthDoc* document,
                                          VOR_AAA_AuthResponse* response);
typedef int32_t (*VOR_AAA_SearchFn)(VOR_AAA_Visa* visa, VOR_AAA_QueryDoc* query,
                                    VOR_AAA_QueryResponse* response,
                                    VOR_AAA_OMException* exception);

/* The tables, in the order the entries are written. */
typedef struct VOR_AAA_LifecycleTable {
    VOR_AAA_InitializeFn Initialize;
    VOR_AAA_TerminateFn Terminate;
    VOR_AAA_ConfigureFn Configure;
    VOR_AAA_SetNamespaceVersionFn SetNamespaceVersion;
} VOR_AAA_LifecycleTable;

typedef struct VOR_AAA_DocumentTextTable {
    VOR_AAA_AuthenticateXmlFn AuthenticateXml;
    VOR_AAA_SearchXmlFn SearchXml;
} VOR_AAA_DocumentTextTable;

typedef struct VOR_AAA_DocumentObjectTable {
    VOR_AAA_AuthenticateFn Authenticate;
    VOR_AAA_SearchFn Search;
} VOR_AAA_DocumentObjectTable;

/* Fills the table for the interface number: 0 a VOR_AAA_LifecycleTable, 1 a
 * VOR_AAA_DocumentTextTable, 2 a VOR_AAA_DocumentObjectTable. Returns 0, or -16 for any other
 * number (the table is then left untouched). The table pointer is not checked. */
VOR_AAA_EXPORT int32_t VOR_AAA_GetInterface(int32_t interfaceNumber, void* table);

/* The name to resolve with dlsym. */
#define VOR_AAA_GET_INTERFACE_SYMBOL "VOR_AAA_GetInterface"
typedef int32_t (*VOR_AAA_GetInterfaceFn)(int32_t interfaceNumber, void* table);

#if defined(__cplusplus)
}
#endif

#endif /* VOR_AAA_INTERFACE_H */
