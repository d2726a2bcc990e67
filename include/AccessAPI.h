/*
 * AccessAPI: the Ridge directory access library.
 *
 * A C API over LDAP v3. Every call returns a signed 32-bit status: 0 success, 1 for the one
 * informational result of AS_AuthenticateWebUserWithEnv, negative for failures (table below).
 * Handles and object ids are unsigned 32-bit; id 0 is never a valid object id.
 *
 * Texts are NUL-terminated bytes in the encoding in force for the process (AS_SetSystemEncoding,
 * AS_GetSystemEncoding); the library converts them to and from UTF-8 for the directory. Text
 * that is not valid in that encoding is refused with AS_ERR_INVALID_TEXT.
 *
 * Output buffers: fixed-size outputs name their size below (AS_TICKET_SIZE, ...). Names are
 * never longer than AS_MAX_NAME_SIZE - 1 bytes, descriptions never longer than
 * AS_MAX_DESCRIPTION_SIZE - 1 bytes, other user fields never longer than AS_MAX_FIELD_SIZE - 1
 * bytes (longer values are cut at a character boundary), so buffers of those sizes always
 * suffice; a buffer of ASA_FindObjectAttributeSize's size + 1 suffices while the object does not
 * change in between. A null output pointer means "not wanted".
 *
 * Threads: the process calls (AS_TesselProcess*, AS_Set*, AS_Get*, AS_Check*) may be called from
 * any thread. One handle is used by one thread at a time; different handles may be used from
 * different threads at once. The last error (AS_GetLastErrorMsgWithLang) is kept per thread; the
 * session error (AS_GetSessionLastErrorMsgWithLang) per handle.
 */
#ifndef ACCESSAPI_H
#define ACCESSAPI_H

#include <stddef.h>
#include <stdint.h>

#if defined(ACCESSAPI_BUILDING)
#define AS_API __attribute__((visibility("default")))
#else
#define AS_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t AS_Handle;
typedef uint32_t AS_ObjectId;

/* Version block handed to AS_Init by value. Words 2, 3 and 4 must be AS_VERSION_WORD2..4;
 * word 1 is not looked at. */
typedef struct AS_Version {
    uint16_t word1;
    uint16_t word2;
    uint16_t word3;
    uint16_t word4;
} AS_Version;

#define AS_VERSION_WORD2 0x0001
#define AS_VERSION_WORD3 0x0100
#define AS_VERSION_WORD4 0x1000
/* Flags of AS_Init: AS_INIT_FLAGS is what callers pass; other bits are refused. */
#define AS_INIT_FLAGS 0x20000001u

/* One environment variable for AS_AuthenticateWebUserWithEnv; an array ends with {0, 0}. */
typedef struct AS_EnvVar {
    const char* name;
    const char* value;
} AS_EnvVar;

/* ---- Status codes ------------------------------------------------------------------------
 * code  name                              meaning; LDAP result or password-policy error behind it
 *    0  AS_OK                             success
 *    1  AS_MORE_ENV_NEEDED                web sign-on needs further environment variables; the
 *                                         result text lists their names, comma-separated
 *   -2  AS_ERR_NOT_INITIALIZED            AS_TesselProcessInitialize2 has not been called
 *   -3  AS_ERR_BAD_CREDENTIALS            wrong user name or password: no user with that basic
 *                                         signon, or bind result invalidCredentials (49) without
 *                                         a password-policy error
 *   -4  AS_ERR_INVALID_ARGUMENT           null pointer, empty name, unknown property or type
 *   -5  AS_ERR_BUFFER_TOO_SMALL           the caller's buffer or count cannot hold the result
 *   -6  AS_ERR_NO_MEMORY                  allocation failed (LDAP_NO_MEMORY)
 *   -7  AS_ERR_INVALID_HANDLE             unknown or terminated handle
 *   -9  AS_ERR_INVALID_TEXT               text not valid in the encoding in force
 *  -10  AS_ERR_UNKNOWN_ENCODING           encoding name not known to the converter
 *  -12  AS_ERR_NOT_AUTHENTICATED          the handle has no signed-on user
 *  -13  AS_ERR_SETTINGS                   process settings missing or unusable (home, files)
 *  -15  AS_ERR_NAMESPACE_NOT_FOUND        no namespace entry of that name below the base DN
 *  -16  AS_ERR_TLS                        TLS set-up failed: certificate directory or file
 *                                         unusable, StartTLS refused (LDAP_CONNECT_ERROR on TLS);
 *                                         the error text names the cause: certificate not
 *                                         trusted, name mismatch, handshake, refused
 *  -20  AS_ERR_INTERNAL                   unexpected internal failure
 *  -21  AS_ERR_AMBIGUOUS                  more than one entry answers a name that must be unique
 *  -30  AS_ERR_CONFIG_SYNTAX              runtime configuration text malformed
 *  -31  AS_ERR_NO_CONFIGURATION           no runtime configuration and no default one
 *  -32  AS_ERR_TICKET_NOT_REFRESHABLE     ticket belongs to another user than the handle's, or
 *                                         its maximum lifetime is reached
 *  -37  AS_ERR_USER_NOT_FOUND             no user with that id or signon (noSuchObject (32) or
 *                                         empty search); the object no longer exists
 *  -38  AS_ERR_USER_CLASS_NOT_ALLOWED     the user class asked for is unknown or not one of the
 *                                         user's classes
 *  -40  AS_ERR_FOLDER_NOT_FOUND           no user folder with that id; no longer exists
 *  -41  AS_ERR_UNKNOWN_TICKET             no such ticket (malformed text or no ticket entry)
 *  -49  AS_ERR_AUTH_MODE_NOT_ALLOWED      the namespace does not allow this sign-on mode
 *                                         (property 7 lacks "os" for web sign-on)
 *  -53  AS_ERR_INVALID_CERTIFICATE        certificate malformed, signature wrong, expired, for
 *                                         another namespace, or its user is gone
 *  -61  AS_ERR_SERVER                     the directory server refused or failed the operation:
 *                                         operationsError (1), protocolError (2), busy (51),
 *                                         unavailable (52), unwillingToPerform (53), other (80),
 *                                         insufficientAccessRights (50), and any result not
 *                                         listed here
 *  -62  AS_ERR_MUST_CHANGE_PASSWORD       password must be changed after a reset: bind succeeded
 *                                         with password-policy error changeAfterReset
 *  -63  AS_ERR_TIMEOUT                    an operation exceeded the configured timeout
 *                                         (timeLimitExceeded (3), LDAP_TIMEOUT)
 *  -68  AS_ERR_OBJECT_NOT_FOUND           no object of the requested type with that id (user
 *                                         class, signon, any type); no longer exists
 *  -78  AS_ERR_PASSWORD_TOO_SHORT         new password refused: passwordTooShort
 * -108  AS_ERR_SERVER_UNREACHABLE         cannot reach the server at the configured host and
 *                                         port: LDAP_SERVER_DOWN (-1), LDAP_CONNECT_ERROR (-11),
 *                                         or no connection within the timeout; the error text
 *                                         names host and port. A handle whose signed-on user
 *                                         lost the connection reports it until a new sign-on
 * -125  AS_ERR_ENCODING_IN_FORCE          another encoding is already in force for the process
 * -129  AS_ERR_PASSWORD_EXPIRED           password expired: invalidCredentials with
 *                                         password-policy error passwordExpired
 * -130  AS_ERR_ACCOUNT_LOCKED             account locked: invalidCredentials with
 *                                         password-policy error accountLocked
 * -131  AS_ERR_ACCOUNT_DISABLED           account disabled (ridgeAccountDisabled TRUE)
 * -145  AS_ERR_TICKET_EXPIRED             ticket exists but its expiry time has passed
 * -200  AS_ERR_PASSWORD_IN_HISTORY        new password refused: passwordInHistory
 * -201  AS_ERR_PASSWORD_QUALITY           new password refused: insufficientPasswordQuality,
 *                                         passwordTooYoung, passwordTooLong,
 *                                         passwordModNotAllowed, mustSupplyOldPassword, or a
 *                                         constraintViolation (19) without policy error
 */
#define AS_OK 0
#define AS_MORE_ENV_NEEDED 1
#define AS_NOTE_NO_TICKET                                             \
    2 /* never returned: the handle's error text after a sign-on that \
         succeeded without the ticket asked for */
#define AS_ERR_NOT_INITIALIZED (-2)
#define AS_ERR_BAD_CREDENTIALS (-3)
#define AS_ERR_INVALID_ARGUMENT (-4)
#define AS_ERR_BUFFER_TOO_SMALL (-5)
#define AS_ERR_NO_MEMORY (-6)
#define AS_ERR_INVALID_HANDLE (-7)
#define AS_ERR_INVALID_TEXT (-9)
#define AS_ERR_UNKNOWN_ENCODING (-10)
#define AS_ERR_NOT_AUTHENTICATED (-12)
#define AS_ERR_SETTINGS (-13)
#define AS_ERR_NAMESPACE_NOT_FOUND (-15)
#define AS_ERR_TLS (-16)
#define AS_ERR_INTERNAL (-20)
#define AS_ERR_AMBIGUOUS (-21)
#define AS_ERR_CONFIG_SYNTAX (-30)
#define AS_ERR_NO_CONFIGURATION (-31)
#define AS_ERR_TICKET_NOT_REFRESHABLE (-32)
#define AS_ERR_USER_NOT_FOUND (-37)
#define AS_ERR_USER_CLASS_NOT_ALLOWED (-38)
#define AS_ERR_FOLDER_NOT_FOUND (-40)
#define AS_ERR_UNKNOWN_TICKET (-41)
#define AS_ERR_AUTH_MODE_NOT_ALLOWED (-49)
#define AS_ERR_INVALID_CERTIFICATE (-53)
#define AS_ERR_SERVER (-61)
#define AS_ERR_MUST_CHANGE_PASSWORD (-62)
#define AS_ERR_TIMEOUT (-63)
#define AS_ERR_OBJECT_NOT_FOUND (-68)
#define AS_ERR_PASSWORD_TOO_SHORT (-78)
#define AS_ERR_SERVER_UNREACHABLE (-108)
#define AS_ERR_ENCODING_IN_FORCE (-125)
#define AS_ERR_PASSWORD_EXPIRED (-129)
#define AS_ERR_ACCOUNT_LOCKED (-130)
#define AS_ERR_ACCOUNT_DISABLED (-131)
#define AS_ERR_TICKET_EXPIRED (-145)
#define AS_ERR_PASSWORD_IN_HISTORY (-200)
#define AS_ERR_PASSWORD_QUALITY (-201)

/* ---- Object types, attributes, properties, sizes ------------------------------------------ */
#define AS_OBJ_BASIC_SIGNON 3
#define AS_OBJ_DATABASE_SIGNON 4
#define AS_OBJ_OS_SIGNON 5
#define AS_OBJ_USER 7
#define AS_OBJ_USER_CLASS 8
#define AS_OBJ_USER_FOLDER 13

/* Attribute numbers of ASA_FindObjectAttributeSize and ASA_Search4. A user's name is its
 * sign-on name (uid), unique in the namespace; its display name is its common name (cn), which
 * several users may share. Folders and user classes have one name, which both numbers give. */
#define AS_ATTR_NAME 0
#define AS_ATTR_DESCRIPTION 1
#define AS_ATTR_DISPLAY_NAME 2

/* Namespace property numbers of AS_GetNamespaceProperties2. */
#define AS_NSPROP_AUTH_MODES 7      /* comma-separated sign-on modes, e.g. "basic,os" */
#define AS_NSPROP_PRODUCT_LOCALE 21 /* default product locale, e.g. "en-us" */
#define AS_NSPROP_CONTENT_LOCALE 22 /* default content locale */
#define AS_NSPROP_BUFFER_SIZE 256   /* each property buffer */

/* Session privilege bits of ASA_GetSessionPrivileges. */
#define AS_PRIV_AUTHENTICATED 0x1u
#define AS_PRIV_BROWSE_ALL_CLASSES 0x8u /* may see the whole user class tree from its root */

/* Flag of ASA_GetSessionUserClassList entries. */
#define AS_SESSION_CLASS_ACTIVE 1 /* the class is in force for this session */

#define AS_TICKET_SIZE 256           /* ticket buffers; a ticket is 32 hex digits */
#define AS_CERTIFICATE_SIZE 2048     /* certificate buffers */
#define AS_ENCODING_NAME_SIZE 255    /* AS_GetSystemEncoding buffer */
#define AS_MAX_NAME_SIZE 256         /* names, including the NUL */
#define AS_MAX_DESCRIPTION_SIZE 1024 /* descriptions, including the NUL */
#define AS_MAX_FIELD_SIZE 256        /* other user fields and signon texts, including the NUL */
#define AS_SEARCH_NAME_SIZE 255      /* one name record of ASA_Search3 */

/* ---- Process ---------------------------------------------------------------------------------
 * settings: array of "NAME=value" texts ended by a null pointer. Read: TALVEX_HOME (home
 * directory, required: holds access.conf and the certificate key), TLXNLSTAB (language table),
 * SRVCMSGS (English message file; the other languages' files sit beside it as
 * srvcmsgs_<code>.msg). Initialisation is counted: the last AS_TesselProcessTerminate releases
 * everything, open handles included. Initialising with a different home while initialised is
 * refused with AS_ERR_SETTINGS. The first initialisation sets SIGPIPE to be ignored when its
 * disposition is still the default, so that a server closing a connection mid-request gives an
 * error instead of ending the process; a host's own handler or disposition is left as it is. */
AS_API int32_t AS_TesselProcessInitialize2(const char* applicationName,
                                           const char* const* settings);
AS_API int32_t AS_TesselProcessTerminate(const char* applicationName);

/* ---- Runtime configuration ---------------------------------------------------------------------
 * AS_SetTemporaryRuntimeConfig: the configuration text (length bytes, no NUL needed) that the
 * next AS_Init uses; parsed strictly (AS_ERR_CONFIG_SYNTAX), the previous text stays on error.
 * AS_CheckConfiguration(level): 1 an effective configuration (temporary, else the home's
 * access.conf default) exists and is valid; 2 additionally a server answers (the first of the
 * list that does, see Handles; AS_GetLastServer names it) (with TLS when
 * the configuration turns it on: -108 unreachable, -16 TLS); 3 additionally the service
 * identity binds; 4 additionally the base DN is an entry it can read (-68, cause "base");
 * 5 additionally the default namespace's entry exists below the base DN (-15); 6 levels 1 to 3
 * and the server's schema defines the Ridge object classes and attributes (-61, cause
 * "schema", naming what is missing). Asked level by level, the first failing level names the
 * step to fix; AS_GetLastErrorMsgWithLang says why.
 * AS_GetRuntimeConfigSize: bytes (with NUL) of the configuration text in force;
 * AS_GetRuntimeConfig copies it, *used receiving the bytes written with the NUL.
 * AS_SetSystemEncoding: an ICU converter name ("utf8", "cp1252", "ISO-8859-1"); once a handle
 * has been opened the encoding is fixed for the process and another one is refused with
 * AS_ERR_ENCODING_IN_FORCE (the same one is accepted). Default "cp1252".
 * AS_GetSystemEncoding: buffer of AS_ENCODING_NAME_SIZE bytes.
 * AS_GetNamespaceProperties2(handle, namespace, prop, char buf[256], prop, buf, ..., 0). */
AS_API int32_t AS_SetTemporaryRuntimeConfig(const char* text, uint32_t length);
AS_API int32_t AS_CheckConfiguration(int32_t level);
AS_API int32_t AS_GetRuntimeConfigSize(int32_t* size);
AS_API int32_t AS_GetRuntimeConfig(char* buffer, int32_t size, int32_t* used);
AS_API int32_t AS_SetSystemEncoding(const char* encoding);
AS_API int32_t AS_GetSystemEncoding(char* buffer);
AS_API int32_t AS_GetNamespaceProperties2(AS_Handle handle, const char* namespaceName, ...);

/* ---- Handles ---------------------------------------------------------------------------------
 * AS_Init opens a handle with the runtime configuration in force at that moment. It only records
 * what the handle needs and sends nothing to the server: the handle's first operation connects
 * (and reports AS_ERR_SERVER_UNREACHABLE, naming host and port, within the timeout), so a caller
 * may hold a lock of its own across AS_Init without holding it across the network.
 * Connections: with SSL enabled in the runtime configuration the handle speaks LDAPS on the
 * configured port, whatever its number, unless access.conf sets tls_mode = starttls (plain LDAP on
 * that port, then StartTLS). A server certificate the configured CA does not vouch for is
 * AS_ERR_TLS with its cause, never AS_ERR_SERVER_UNREACHABLE.
 * A handle owns no connection. The process keeps, per set of servers and service identity, a
 * pool of connections bound as the service identity (access.conf pool_size, default 8) that every
 * handle's reads use, whoever is signed on, and a few kept for password checks (bind_pool_size,
 * default 4), where a sign-on's bind replaces the one before. A call takes a connection for its
 * length (a handle with records asked for ahead by ASA_PrefetchObjects keeps it until they are
 * read, unless another call needs it: they are then asked for again when read); when every one
 * is busy it waits up to the timeout, then fails AS_ERR_TIMEOUT naming the pool size. The pool
 * lives while a handle of its servers is open. A connection the server dropped
 * (restart, idle timeout) is opened again by the next call, which then runs as if nothing
 * happened: a user signed on by password is bound again with the password the handle keeps,
 * encrypted under a key made at random for the process and in clear only for the bind; should the
 * directory refuse it by then, the user is signed out (AS_ERR_NOT_AUTHENTICATED). Only while the
 * server stays unreachable do calls report AS_ERR_SERVER_UNREACHABLE.
 *
 * Several servers (replicas of one directory, replicating with syncrepl): the runtime
 * configuration names them in order of preference, HOST and PORT first, then the element
 * <REPLICAS>host:port host:port</REPLICAS> (inside <LDAP>, after TIMEOUT; items separated by
 * blanks or commas). The provider writes it from a namespace's "connection" when that names
 * several servers ("ldap1:389 ldap2:389" or "ldap1:389,ldap2:389"). The pool connects to the
 * first server that answers, and moves all its connections at once when it moves. When its
 * server is lost (connection refused or dropped) or does not answer within the timeout, the
 * call runs once more on the next server that answers, so the caller sees no failure as long as
 * one server serves; a user signed on by password moves with its identity (bound again with the
 * password the handle keeps). A server that failed is tried last by every handle of the process
 * for access.conf's failback_interval (seconds, default 60). A pool working with a server other
 * than the first checks, before an operation and at most once per failback_interval (one caller
 * checks for the pool), whether a server before it answers again (waiting at most 2 s, or the
 * timeout when shorter); if one does, the operation and those after it are served there.
 * With every server down the call fails with AS_ERR_SERVER_UNREACHABLE naming each server and
 * why. A service_url in access.conf takes no part in this: the service identity's connections
 * go there. access.conf's trace_file records each connection a handle opens ("connected"), each
 * server found down ("unreachable") and each return to an earlier server ("returned"), with the
 * handle and host:port, one JSON line each.
 * ASA_GetSessionServer: host:port of the server the handle's last connection went to (empty
 * before its first). AS_GetLastServer: host:port of the server that served the calling thread's
 * last call on a handle or its last AS_CheckConfiguration of level 2 or more (empty when none
 * did). Both keep the last error texts. */
AS_API int32_t AS_Init(AS_Version version, AS_Handle* handle, uint32_t flags);
AS_API int32_t AS_Terminate(AS_Handle handle);
AS_API int32_t ASA_GetSessionServer(AS_Handle handle, char* buffer, int32_t size);
AS_API int32_t AS_GetLastServer(char* buffer, int32_t size);

/* ---- Offline sign-on -------------------------------------------------------------------------
 * Off unless access.conf sets offline_days (days an entry stays usable after the online sign-on
 * that wrote it). Then an online password sign-on the directory accepted leaves, per user, an
 * Argon2id password verifier and the user's own entry, classes and folders in <home>/cache (LMDB,
 * 0700, files 0600, records encrypted with the home's key; shared by the processes of the home),
 * written by a background thread at most once per offline_refresh_hours (default 12) unless the
 * password changed. Only when every server is unreachable does AS_AuthenticateUser2 check the
 * password against the verifier: the handle is then signed on offline (no ticket), reads of the
 * user's own account, classes and folders are answered from the cache and every other read fails
 * AS_ERR_SERVER_UNREACHABLE naming the outage. A wrong password offline is AS_ERR_BAD_CREDENTIALS
 * and is counted; after offline_failed_login_attempts (default 3) the next attempt is taken only
 * offline_failed_login_delay minutes (default 5) after the last wrong one (AS_ERR_ACCOUNT_LOCKED
 * until then). A user without an entry, or with one older than offline_days, gets the outage.
 * AS_ValidateTicket2 accepts offline a live ticket handed out by a password sign-on of a process
 * of the home. A user the directory reports gone, locked or disabled loses its entry at once.
 * AS_GetNamespaceProperties2 answers during an outage with what it last read online.
 * ASA_GetSessionOffline: *offline 1 when the handle's user signed on offline, else 0 (keeps the
 * last error texts).
 * AS_ListOfflineCache: one line per user kept, "signon TAB display name TAB namespace DN TAB
 * written (seconds since the epoch) TAB wrong passwords offline", then a line "! text" per
 * problem the cache met since initialisation (a damaged file set aside and made afresh); free
 * with AS_FreeResult. AS_ForgetOfflineUser removes the entries of a sign-on name (any
 * namespace), AS_PurgeOfflineCache everything; *removed says how many. The three fail
 * AS_ERR_SETTINGS when offline_days is 0. */
AS_API int32_t ASA_GetSessionOffline(AS_Handle handle, int32_t* offline);
AS_API int32_t AS_ListOfflineCache(char** text);
AS_API int32_t AS_ForgetOfflineUser(const char* signon, int32_t* removed);
AS_API int32_t AS_PurgeOfflineCache(int32_t* removed);

/* ---- Authentication --------------------------------------------------------------------------
 * AS_AuthenticateUser2: finds the user by basic signon name in the namespace and binds as that
 * user: one search and one bind, on a connection the pool keeps for binds. userClass (null
 * or empty: none) must be one of the user's classes (by name). User class names: a name (compared
 * as the directory compares names, without regard to case) names a class only when exactly one
 * user class of the namespace bears it, whatever its parent; a name two classes share is
 * AS_ERR_AMBIGUOUS at sign-on (even for a user who belongs to only one of them) as it is for
 * ASA_FindUserClassInfoByName, so that a sign-on the library accepts is always followed by a
 * look-up of the same class. Such a class can still be reached by id. ticket (null, or
 * AS_TICKET_SIZE bytes, in/out): on success it holds a ticket of this user: the one given when it
 * is live and belongs to the user and class, else a new one. AS_ValidateTicket2: on success
 * *resultText (free with AS_FreeResult) is <result><ticket id="T"/><user id="U" name="N"/><uc
 * id="C" name="M"/></result> with uc id "0" name "All User Classes" when the ticket has no class;
 * non-ASCII characters and markup in values are written as character references, so the text is
 * plain ASCII. AS_ValidateCertificate: hasUserClass != 0 makes *userClassId an input that must
 * match the certificate's class (or be one of the user's classes when the certificate has none);
 * otherwise *userClassId receives the certificate's class (0: none).
 * AS_AuthenticateWebUserWithEnv: REMOTE_USER names an OS signon of a user of the namespace;
 * without it the result is AS_MORE_ENV_NEEDED and *resultText "REMOTE_USER". *resultText may
 * be null on return; free it with AS_FreeResult.
 * Tickets: a sign-on that asks for a ticket still succeeds when none can be written (a service
 * identity without write access to the namespace's ticket container, or a namespace without
 * one): the ticket comes back empty and the handle's error text (AS_NOTE_NO_TICKET) says why.
 * Password policy: a password sign-on that gets in only by one of the policy's grace sign-ons
 * (pwdGraceAuthNLimit) fails with AS_ERR_PASSWORD_EXPIRED so that the caller asks for a new
 * password; ASA_GetSessionPasswordPolicy then reports the grace sign-ons left.
 * Password change: always the user's own. The old password is verified by a bind as the user (for
 * an expired password, one of the policy's grace sign-ons); then the LDAP password modify
 * operation, on that bind, sets the new one. The service identity has no right on any password:
 * under a policy without grace sign-ons an expired password is changed by an administrator only,
 * and the change fails with AS_ERR_PASSWORD_EXPIRED and a text that says so.
 * AS_ChangeExpiredBasicSignonPassword and AS_ForceChangeBasicSignonPassword accept a password
 * that is current, expired (with a grace sign-on left), or to be changed after a reset alike.
 * ASA_GetSessionPasswordPolicy: what the password policy said at the handle's last
 * AS_AuthenticateUser2, successful or not: *graceLoginsLeft the grace sign-ons left after the one
 * that call used (-1: it used none), *secondsToExpiry the seconds until the password expires when
 * the policy warned of it (pwdExpireWarning; -1: no warning). Both are -1 before any password
 * sign-on and after a sign-on by ticket, certificate or web environment. It keeps the last
 * error texts. */
AS_API int32_t AS_AuthenticateUser2(AS_Handle handle, const char* namespaceName,
                                    const char* basicSignonName, const char* password,
                                    const char* userClass, AS_ObjectId* userId, char* ticket);
AS_API int32_t AS_ValidateTicket2(AS_Handle handle, const char* ticket, const char* namespaceName,
                                  char** resultText);
AS_API int32_t AS_ValidateCertificate(AS_Handle handle, const char* certificate,
                                      const char* namespaceName, int32_t hasUserClass,
                                      AS_ObjectId* userClassId, AS_ObjectId* userId);
AS_API int32_t AS_AuthenticateWebUserWithEnv(const AS_EnvVar* environment, char** resultText,
                                             AS_Handle handle, const char* namespaceName,
                                             const char* userClass, AS_ObjectId* userId,
                                             char* ticket);
AS_API int32_t AS_ChangeExpiredBasicSignonPassword(AS_Handle handle, const char* namespaceName,
                                                   const char* basicSignonName,
                                                   const char* oldPassword,
                                                   const char* newPassword);
AS_API int32_t AS_ForceChangeBasicSignonPassword(AS_Handle handle, const char* namespaceName,
                                                 const char* basicSignonName,
                                                 const char* oldPassword, const char* newPassword);
AS_API int32_t ASA_GetSessionPasswordPolicy(AS_Handle handle, int32_t* graceLoginsLeft,
                                            int32_t* secondsToExpiry);

/* ---- Tickets and certificates (on an authenticated handle) ----------------------------------
 * A ticket is 128 random bits written as 32 hex digits. The directory keeps an entry per ticket
 * in the namespace's container ou=tickets, named by the SHA-256 of the ticket, never the ticket
 * itself; only the service identity may read or write that container (data/ldap/slapd.conf.in).
 * Tickets that expired more than ticket_keep_expired seconds ago are purged with the first ticket
 * issued after each ticket_purge_interval (access.conf).
 * ASA_CreateTicket: ticket buffer of AS_TICKET_SIZE bytes. AS_RefreshTicket extends a ticket of
 * the handle's user to ticket_lifetime from now (within ticket_max_lifetime of its issue); the
 * directory is written only when that gains more than a minute per hour of lifetime, so frequent
 * refreshes cost one read each. AS_ExpireTicket deletes it. AS_GetCertificate: buffer of
 * AS_CERTIFICATE_SIZE bytes; the certificate names namespace, user and user class. */
AS_API int32_t ASA_CreateTicket(AS_Handle handle, char* ticket);
AS_API int32_t AS_RefreshTicket(AS_Handle handle, const char* ticket);
AS_API int32_t AS_ExpireTicket(AS_Handle handle, const char* ticket);
AS_API int32_t AS_GetCertificate(AS_Handle handle, char* certificate);

/* ---- Error texts -----------------------------------------------------------------------------
 * The text of the last failure on this thread, or on the handle, in the language named by
 * language ("en-us", "fr", "fr-ca", ...; unknown: English), in the encoding in force. Empty when
 * there was no failure. A text longer than the buffer fills it exactly: size - 1 bytes and the NUL,
 * cut at that byte even inside a character, and the call returns AS_ERR_BUFFER_TOO_SMALL. A
 * caller that doubles its buffer while the text fills it (length size - 1), or while the call
 * answers "too small", reaches the whole text; one that stops early drops the incomplete
 * character at the end itself.
 * A call that succeeds clears both texts, except AS_Terminate, AS_TesselProcessTerminate,
 * AS_GetSystemEncoding and ASA_GetSessionPasswordPolicy, which keep them (a caller may release a
 * handle and then read why it failed). After a sign-on that succeeded without a ticket, the
 * handle's text is that of AS_NOTE_NO_TICKET. */
AS_API int32_t AS_GetLastErrorMsgWithLang(char* buffer, int32_t size, const char* language);
AS_API int32_t AS_GetSessionLastErrorMsgWithLang(AS_Handle handle, char* buffer, int32_t size,
                                                 const char* language);

/* ---- Memory ------------------------------------------------------------------------------------
 * AS_FreeResult frees a result text (AS_ValidateTicket2, AS_AuthenticateWebUserWithEnv);
 * AS_Free a block (ASA_Search3, ASA_FindUserClassParent2). Null is accepted; a pointer the
 * library did not return (or of the other kind) is refused with AS_ERR_INVALID_ARGUMENT. */
AS_API int32_t AS_FreeResult(char* text);
AS_API int32_t AS_Free(void* block);

/* ---- Directory reads (on a handle; 0 means found) ---------------------------------------------
 * Lists: (capacity, ids, count): *count receives the total; min(capacity, total) ids are
 * written; AS_ERR_BUFFER_TOO_SMALL when capacity < total (capacity 0 with null ids asks for the
 * count only and returns 0). Parent of a root object: *parentId 0.
 * A handle keeps what its listings and look-ups fetched for well under a second, so that a
 * listing followed by the size and record reads of what it listed costs about one directory
 * search. What a handle keeps is never shared with another handle and is dropped at each
 * sign-on and at AS_Terminate; a read made right after a change elsewhere may still give what
 * the handle fetched a moment before. */
AS_API int32_t ASA_FindObjectAttributeSize(AS_Handle handle, AS_ObjectId id, int32_t objectType,
                                           int32_t attribute, uint32_t* size);
AS_API int32_t ASA_FindUserInfo(AS_Handle handle, AS_ObjectId userId, char* name, char* description,
                                AS_ObjectId* userFolderId);
AS_API int32_t ASA_FindUserInfo4(AS_Handle handle, AS_ObjectId userId, char* name,
                                 char* description, char* email, char* telephone,
                                 char* contentLocale, char* productLocale, char* givenName,
                                 char* surname);
/* The user's display name (cn), in a buffer of AS_MAX_NAME_SIZE bytes. */
AS_API int32_t ASA_FindUserDisplayName(AS_Handle handle, AS_ObjectId userId, char* displayName);
AS_API int32_t ASA_FindUserFolderInfo(AS_Handle handle, AS_ObjectId folderId, char* name,
                                      char* description, AS_ObjectId* parentFolderId);
AS_API int32_t ASA_FindUserClassInfo(AS_Handle handle, AS_ObjectId classId, char* name,
                                     char* description, AS_ObjectId* parentClassId,
                                     uint32_t* childClassCount);
/* By name, under the rule of AS_AuthenticateUser2: AS_ERR_AMBIGUOUS when several user classes of
 * the namespace bear the name, AS_ERR_OBJECT_NOT_FOUND when none does. */
AS_API int32_t ASA_FindUserClassInfoByName(AS_Handle handle, const char* name, AS_ObjectId* classId,
                                           char* description, AS_ObjectId* parentClassId,
                                           uint32_t* childClassCount);
AS_API int32_t ASA_FindUserFolderParent(AS_Handle handle, AS_ObjectId folderId,
                                        AS_ObjectId* parentFolderId);
AS_API int32_t ASA_FindUserClassParent(AS_Handle handle, AS_ObjectId classId,
                                       AS_ObjectId* parentClassId);
/* All ancestors, nearest first, root last; *ancestors freed with AS_Free (null when none). */
AS_API int32_t ASA_FindUserClassParent2(AS_Handle handle, AS_ObjectId classId, uint32_t* count,
                                        AS_ObjectId** ancestors);
AS_API int32_t ASA_FindUserUserFolder(AS_Handle handle, AS_ObjectId userId,
                                      AS_ObjectId* userFolderId);
AS_API int32_t ASA_FindUserClassChildrenCount3(AS_Handle handle, AS_ObjectId classId,
                                               uint32_t* count);
AS_API int32_t ASA_FindUserClassChildrenList3(AS_Handle handle, AS_ObjectId classId,
                                              uint32_t capacity, AS_ObjectId* ids, uint32_t* count);
/* Users that are members of a user class. */
AS_API int32_t ASA_FindUserCount(AS_Handle handle, AS_ObjectId classId, uint32_t* count);
AS_API int32_t ASA_FindUserList(AS_Handle handle, AS_ObjectId classId, uint32_t capacity,
                                AS_ObjectId* ids, uint32_t* count);
AS_API int32_t ASA_FindUserFolderChildrenList(AS_Handle handle, AS_ObjectId folderId,
                                              uint32_t capacity, AS_ObjectId* ids, uint32_t* count);
AS_API int32_t ASA_FindUserFolderUsersList(AS_Handle handle, AS_ObjectId folderId,
                                           uint32_t capacity, AS_ObjectId* ids, uint32_t* count);
AS_API int32_t ASA_FindUserUserClassCount(AS_Handle handle, AS_ObjectId userId, uint32_t* count);
AS_API int32_t ASA_FindUserUserClassList(AS_Handle handle, AS_ObjectId userId, uint32_t capacity,
                                         AS_ObjectId* ids, uint32_t* count);
/* Signons: ids are object ids of types AS_OBJ_BASIC_SIGNON, AS_OBJ_OS_SIGNON and
 * AS_OBJ_DATABASE_SIGNON; Info copies the signon text into buffer (size bytes, NUL included). */
AS_API int32_t ASA_FindUserBasicSignonCount(AS_Handle handle, AS_ObjectId userId, uint32_t* count);
AS_API int32_t ASA_FindUserBasicSignonList(AS_Handle handle, AS_ObjectId userId, uint32_t capacity,
                                           AS_ObjectId* ids, uint32_t* count);
AS_API int32_t ASA_FindUserBasicSignonInfo(AS_Handle handle, AS_ObjectId signonId, char* buffer,
                                           uint32_t size);
AS_API int32_t ASA_FindUserOSSignonCount(AS_Handle handle, AS_ObjectId userId, uint32_t* count);
AS_API int32_t ASA_FindUserOSSignonList(AS_Handle handle, AS_ObjectId userId, uint32_t capacity,
                                        AS_ObjectId* ids, uint32_t* count);
AS_API int32_t ASA_FindUserOSSignonInfo(AS_Handle handle, AS_ObjectId signonId, char* buffer,
                                        uint32_t size);
AS_API int32_t ASA_FindUserDatabaseSignonCount(AS_Handle handle, AS_ObjectId userId,
                                               uint32_t* count);
AS_API int32_t ASA_FindUserDatabaseSignonList(AS_Handle handle, AS_ObjectId userId,
                                              uint32_t capacity, AS_ObjectId* ids, uint32_t* count);
AS_API int32_t ASA_FindUserDatabaseSignonInfo(AS_Handle handle, AS_ObjectId signonId, char* buffer,
                                              uint32_t size);
AS_API int32_t ASA_FindNamespaceRootUserFolder(AS_Handle handle, AS_ObjectId* folderId);
AS_API int32_t ASA_FindNamespaceRootUserClass(AS_Handle handle, AS_ObjectId* classId);
AS_API int32_t ASA_GetSessionPrivileges(AS_Handle handle, uint32_t* privileges);
/* The signed-on user's classes; flags[i] is AS_SESSION_CLASS_ACTIVE or 0. */
AS_API int32_t ASA_GetSessionUserClassList(AS_Handle handle, uint32_t capacity, AS_ObjectId* ids,
                                           uint32_t* flags, uint32_t* count);
/* Objects of one type (user, user class, user folder) whose name matches pattern ('*' is the
 * only wildcard; "*" alone matches all). *names: *count records of AS_SEARCH_NAME_SIZE bytes
 * (NUL-padded); *ids: *count ids; both freed with AS_Free (null when *count is 0). */
AS_API int32_t ASA_Search3(AS_Handle handle, int32_t objectType, const char* pattern,
                           uint32_t* count, char** names, AS_ObjectId** ids);
/* ASA_Search3 matching pattern against the attribute (AS_ATTR_NAME or AS_ATTR_DISPLAY_NAME):
 * users found by display name still come back under their names (sign-on names), ordered by
 * name, then id. */
AS_API int32_t ASA_Search4(AS_Handle handle, int32_t objectType, int32_t attribute,
                           const char* pattern, uint32_t* count, char** names, AS_ObjectId** ids);

/* Asks for the records of objects of one type (user, user class, user folder) by id in directory
 * searches of up to 100 ids, and returns without waiting for their answers: the size and record
 * reads that follow take the answer holding their object as they need it and cost no further
 * search, so the caller works on the first records while the server still answers for the later
 * ones. A few searches are on their way at a time, the later ones sent, in the order asked, as
 * the reads reach the earlier ones: any number of ids may be asked for at once. Ids whose
 * records the handle holds fresh are not asked again; ids of no such object are ignored (their
 * reads report them). A failure of the directory while the answers come is reported by the read
 * that waits for them. */
AS_API int32_t ASA_PrefetchObjects(AS_Handle handle, int32_t objectType, uint32_t count,
                                   const AS_ObjectId* ids);

#ifdef __cplusplus
}
#endif

#endif /* ACCESSAPI_H */
