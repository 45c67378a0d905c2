// The part of Oracle's C call interface (OCI) this program uses, declared from Oracle's public
// documentation: the scalar and handle types, the constants, and one function pointer type per
// function. No Oracle header or library is needed to build; the client library is loaded at
// run time (OciLibrary.h).
#pragma once

#include <cstddef>
#include <cstdint>

namespace jf::oracle {

// Scalar types of the interface.
using sword = int32_t;
using sb4 = int32_t;
using ub4 = uint32_t;
using sb2 = int16_t;
using ub2 = uint16_t;
using ub8 = uint64_t;
using OraText = unsigned char;

// Handles are opaque.
struct OCIEnv;
struct OCIError;
struct OCISvcCtx;
struct OCIStmt;
struct OCIBind;
struct OCIDefine;
struct OCISnapshot;

// Return codes of every call.
inline constexpr sword OCI_SUCCESS = 0;
inline constexpr sword OCI_SUCCESS_WITH_INFO = 1;
inline constexpr sword OCI_NO_DATA = 100;
inline constexpr sword OCI_ERROR = -1;
inline constexpr sword OCI_INVALID_HANDLE = -2;

inline constexpr ub4 OCI_DEFAULT = 0;
// OCIStmtExecute's mode: the transaction commits after the statement, in the same round trip,
// when the statement succeeds.
inline constexpr ub4 OCI_COMMIT_ON_SUCCESS = 0x20;
// OCIStmtExecute's modes for an execute of many bind rows (iters > 1) of an INSERT, UPDATE or
// DELETE: a row that fails does not stop the others, and its error is kept for the caller
// (OCI_ATTR_NUM_DML_ERRORS, then OCIParamGet on the error handle); the rows each iteration
// touched are kept (OCI_ATTR_DML_ROW_COUNT_ARRAY, clients 12.1 and later).
inline constexpr ub4 OCI_BATCH_ERRORS = 0x80;
inline constexpr ub4 OCI_RETURN_ROW_COUNT_ARRAY = 0x00100000;

// Handle types.
inline constexpr ub4 OCI_HTYPE_ENV = 1;
inline constexpr ub4 OCI_HTYPE_ERROR = 2;
inline constexpr ub4 OCI_HTYPE_SVCCTX = 3;
inline constexpr ub4 OCI_HTYPE_STMT = 4;
inline constexpr ub4 OCI_HTYPE_SERVER = 8;

// Attributes.
inline constexpr ub4 OCI_ATTR_SERVER = 6;           // a service context's server handle
inline constexpr ub4 OCI_ATTR_SERVER_STATUS = 143;  // whether the server handle is connected (ub4)
inline constexpr ub4 OCI_ATTR_ROW_COUNT = 9;       // rows an INSERT, UPDATE or DELETE touched (ub4)
inline constexpr ub4 OCI_ATTR_PREFETCH_ROWS = 11;  // rows fetched ahead per round trip (ub4)
inline constexpr ub4 OCI_ATTR_STMT_TYPE = 24;      // kind of a prepared statement (ub2)
inline constexpr ub4 OCI_ATTR_NUM_DML_ERRORS = 73;  // rows of an array execute that failed (ub4)
inline constexpr ub4 OCI_ATTR_DML_ROW_OFFSET = 74;  // a batch error's row, from 0 (ub4)
// Rows each iteration of an array execute touched: a pointer to the client's array of ub8, its
// length in *sizep.
inline constexpr ub4 OCI_ATTR_DML_ROW_COUNT_ARRAY = 469;
inline constexpr ub4 OCI_ATTR_STMTCACHESIZE = 176;  // statements the session's cache keeps (ub4)
inline constexpr ub4 OCI_ATTR_CALL_TIMEOUT = 531;   // milliseconds a round trip may take (ub4;
                                                    // clients 18 and later)

// OCI_ATTR_SERVER_STATUS.
inline constexpr ub4 OCI_SERVER_NOT_CONNECTED = 0;
inline constexpr ub4 OCI_SERVER_NORMAL = 1;

// Character set ids (OCIEnvNlsCreate): Unicode in UTF-8, the set every client knows without
// reading its NLS settings.
inline constexpr ub2 kCharsetAl32Utf8 = 873;

// Statement kinds (OCI_ATTR_STMT_TYPE).
inline constexpr ub2 OCI_STMT_SELECT = 1;
inline constexpr ub2 OCI_STMT_UPDATE = 2;
inline constexpr ub2 OCI_STMT_DELETE = 3;
inline constexpr ub2 OCI_STMT_INSERT = 4;
inline constexpr ub2 OCI_STMT_BEGIN = 8;    // PL/SQL block
inline constexpr ub2 OCI_STMT_DECLARE = 9;  // PL/SQL block

// External data types of binds and defines.
inline constexpr ub2 SQLT_CHR = 1;  // VARCHAR2: a text of the given length, no terminator
inline constexpr ub2 SQLT_INT = 3;  // signed integer of 1, 2, 4 or 8 bytes
inline constexpr ub2 SQLT_FLT = 4;  // float or double
inline constexpr ub2 SQLT_STR = 5;  // zero-terminated text

inline constexpr ub4 OCI_NTV_SYNTAX = 1;        // statement language: the server's own
inline constexpr ub2 OCI_FETCH_NEXT = 2;        // fetch orientation
inline constexpr ub4 OCI_LOGON2_STMTCACHE = 4;  // logon with a statement cache

// Room for the longest error text the client returns.
inline constexpr ub4 kErrorTextMax = 3072;

// Error numbers the backend looks at.
inline constexpr sb4 kOraNoDataFound = 1403;
inline constexpr sb4 kOraNotConnected = 3114;  // not connected to ORACLE
// "resource busy; acquire with WAIT timeout expired": a locking read's "for update wait N" ran
// out; the program reports it as every other lock held too long, -54.
inline constexpr sb4 kOraWaitTimeout = 30006;
// A round trip that ran past the call timeout: OCI's own number, and the two the network layer
// may give for it. The session may live on or be gone; its server handle's status tells.
inline constexpr sb4 kOraCallTimeout = 3156;
inline constexpr sb4 kOraInboundTimeout = 3136;
inline constexpr sb4 kOraPartialData = 12161;

// The functions, as pointer types.
using OCIEnvNlsCreateFn = sword (*)(OCIEnv** envhpp, ub4 mode, void* ctxp,
                                    void* (*malocfp)(void*, std::size_t),
                                    void* (*ralocfp)(void*, void*, std::size_t),
                                    void (*mfreefp)(void*, void*), std::size_t xtramem_sz,
                                    void** usrmempp, ub2 charset, ub2 ncharset);
using OCIHandleAllocFn = sword (*)(const void* parenth, void** hndlpp, ub4 type,
                                   std::size_t xtramem_sz, void** usrmempp);
using OCIHandleFreeFn = sword (*)(void* hndlp, ub4 type);
using OCILogon2Fn = sword (*)(OCIEnv* envhp, OCIError* errhp, OCISvcCtx** svchp,
                              const OraText* username, ub4 uname_len, const OraText* password,
                              ub4 passwd_len, const OraText* dbname, ub4 dbname_len, ub4 mode);
using OCILogoffFn = sword (*)(OCISvcCtx* svchp, OCIError* errhp);
using OCIStmtPrepare2Fn = sword (*)(OCISvcCtx* svchp, OCIStmt** stmthp, OCIError* errhp,
                                    const OraText* stmttext, ub4 stmt_len, const OraText* key,
                                    ub4 keylen, ub4 language, ub4 mode);
using OCIStmtReleaseFn = sword (*)(OCIStmt* stmthp, OCIError* errhp, const OraText* key, ub4 keylen,
                                   ub4 mode);
using OCIBindByPosFn = sword (*)(OCIStmt* stmtp, OCIBind** bindpp, OCIError* errhp, ub4 position,
                                 void* valuep, sb4 value_sz, ub2 dty, void* indp, ub2* alenp,
                                 ub2* rcodep, ub4 maxarr_len, ub4* curelep, ub4 mode);
using OCIDefineByPosFn = sword (*)(OCIStmt* stmtp, OCIDefine** defnpp, OCIError* errhp,
                                   ub4 position, void* valuep, sb4 value_sz, ub2 dty, void* indp,
                                   ub2* rlenp, ub2* rcodep, ub4 mode);
using OCIStmtExecuteFn = sword (*)(OCISvcCtx* svchp, OCIStmt* stmtp, OCIError* errhp, ub4 iters,
                                   ub4 rowoff, const OCISnapshot* snap_in, OCISnapshot* snap_out,
                                   ub4 mode);
using OCIStmtFetch2Fn = sword (*)(OCIStmt* stmthp, OCIError* errhp, ub4 nrows, ub2 orientation,
                                  sb4 fetchOffset, ub4 mode);
using OCIAttrSetFn = sword (*)(void* trgthndlp, ub4 trghndltyp, void* attributep, ub4 size,
                               ub4 attrtype, OCIError* errhp);
using OCIAttrGetFn = sword (*)(const void* trgthndlp, ub4 trghndltyp, void* attributep, ub4* sizep,
                               ub4 attrtype, OCIError* errhp);
using OCIErrorGetFn = sword (*)(void* hndlp, ub4 recordno, OraText* sqlstate, sb4* errcodep,
                                OraText* bufp, ub4 bufsiz, ub4 type);
using OCITransCommitFn = sword (*)(OCISvcCtx* svchp, OCIError* errhp, ub4 flags);
using OCITransRollbackFn = sword (*)(OCISvcCtx* svchp, OCIError* errhp, ub4 flags);
// The error of one failed row of an array execute, copied into *parmdpp (an error handle the
// caller allocated): hndlp is the execute's error handle, htype OCI_HTYPE_ERROR, pos from 0.
using OCIParamGetFn = sword (*)(const void* hndlp, ub4 htype, OCIError* errhp, void** parmdpp,
                                ub4 pos);
// The client's release (10.2 and later).
using OCIClientVersionFn = void (*)(int* major_version, int* minor_version, int* update_num,
                                    int* patch_num, int* port_update_num);
// The id of a character set named as Oracle names it; 0 for a name the client does not know.
using OCINlsCharSetNameToIdFn = ub2 (*)(void* envhp, const OraText* name);

}  // namespace jf::oracle
