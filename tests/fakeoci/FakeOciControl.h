// The test-facing side of the fake Oracle client (libclntsh.so built in the test tree). Tests in
// the same process find these functions with dlsym on the library the backend loaded; a child
// process (the real jobfeed) is steered through the environment instead:
//
//   FAKEOCI_FAIL   rules "FUNCTION|TEXT|NTH|ORA[|after]" separated by ";": the NTH call (0 =
//                  every call) of FUNCTION on a statement whose text contains TEXT (empty: any)
//                  fails with ORA-<ORA>; "after" lets the call take effect first and then fail,
//                  as a reply lost on the way back does (for OCILogon2 and OCIEnvNlsCreate: the
//                  call works and gives the error as a warning, as ORA-28002 comes).
//   FAKEOCI_STATS  a file that receives the counts (calls and round trips per function and
//                  statement text) at every logoff and when the process ends.
//   FAKEOCI_DDL    the Oracle DDL the fake's data dictionary takes column types from (default:
//                  db/schema/oracle.sql of the source tree).
//   FAKEOCI_CHARSET the database character set the dictionary reports (default: AL32UTF8).
//   FAKEOCI_DELAY_US microseconds every round trip waits (at most 1,000,000; default 0), so that
//                  a run shows its time across a network of that latency.
//   FAKEOCI_SLOW   rules "FUNCTION|TEXT|NTH|MILLIS[|silent]" separated by ";": the round trip of
//                  the NTH call (0 = every call) of FUNCTION on a statement whose text contains
//                  TEXT keeps the server MILLIS milliseconds more; "silent": the server does not
//                  answer it at all, as behind a network that dropped the connection.
//
// A round trip longer than the session's call timeout (OCI_ATTR_CALL_TIMEOUT) fails with
// ORA-03156 when the timeout runs out, having done nothing, and the session stays; if the server
// was silent or the network delay alone exceeds the timeout, the client's reset fails too: the
// call fails with ORA-03114 and the session is gone (server status not connected). A silent
// round trip without a call timeout fails with ORA-03113.
//
// A lost connection (ORA-00028, -01012, -01089, -01092, -03113, -03114, -03135, -12537, -12547,
// -12570, -12583) rolls back what the session left uncommitted, sets its server status to not
// connected and fails every later call that needs the server with ORA-03114, as a dropped session
// does. A call broken off at the call timeout (-03156) leaves the session connected.
//
// An INSERT, UPDATE or DELETE executed for many bind rows (iters > 1, the values of row r at r
// times each bind's size) runs row by row, each row's failure undoing that row alone, and is one
// round trip: without OCI_BATCH_ERRORS the first failing row ends it with its error, the rows
// before it applied; with it every row runs, the call succeeds with ORA-24381 as its warning and
// the failed rows are told (OCI_ATTR_NUM_DML_ERRORS, OCIParamGet, OCI_ATTR_DML_ROW_OFFSET);
// OCI_RETURN_ROW_COUNT_ARRAY keeps each row's count (OCI_ATTR_DML_ROW_COUNT_ARRAY). Row locks
// are taken row by row, as for single executes. OCIClientVersion reports 19.3.
//
// A session holds at most OPEN_CURSORS (50, Oracle's default, or FakeOci_SetOpenCursors) parsed
// statements, in the caller's hands or in the client's statement cache; one more fails with
// ORA-01000. The character sets it knows are WE8MSWIN1252 and AL32UTF8 (OCINlsCharSetNameToId),
// the database's own: an AL32UTF8 client gets its texts as stored, a WE8MSWIN1252 one converted,
// with the inverted question mark (0xBF) for a character the code page lacks;
// an environment of another fails with ORA-12715, one of the client's default with an NLS_LANG
// of another with ORA-12705. A statement released after its session's logoff is an invalid
// handle; a define of a form other than the backend's fails.
#pragma once

extern "C" {

// Forgets every rule and every count.
typedef void (*FakeOciResetFn)(void);
// Adds a failure rule (as one FAKEOCI_FAIL entry).
typedef void (*FakeOciFailFn)(const char* function, const char* text_part, int nth, int ora,
                              int after);
// Calls of function (nullptr: all functions) on statements whose text contains text_part
// (nullptr or "": any, calls without a statement included).
typedef long (*FakeOciCallsFn)(const char* function, const char* text_part);
// Round trips to the server: of function (nullptr: all), as above.
typedef long (*FakeOciRoundTripsFn)(const char* function, const char* text_part);
// Walks the counts: one callback per function and statement text.
typedef void (*FakeOciEachFn)(void (*each)(const char* function, const char* text, long calls,
                                           long round_trips, void* ctx),
                              void* ctx);
// The server's OPEN_CURSORS for sessions of this process (FakeOci_Reset restores 50).
typedef void (*FakeOciSetOpenCursorsFn)(int limit);
// Adds a slow round trip (as one FAKEOCI_SLOW entry; silent != 0 for "silent").
typedef void (*FakeOciSlowFn)(const char* function, const char* text_part, int nth, int millis,
                              int silent);
// The fake's own waits (round trips, their delay, a call timeout running out) pass scale times
// faster, so a test need not wait a minute for a call timeout; waits for another session's
// locks stay real. FakeOci_Reset restores 1.
typedef void (*FakeOciSetTimeScaleFn)(int scale);
// What the last logon received: "user|password|net service name|charset".
typedef const char* (*FakeOciLastLogonFn)(void);
// The server's clock (sysdate): the given function, filling the fields year, month, day, hour,
// minute and second and returning 0 when the clock cannot be read; nullptr for the real clock.
// In-process tests point it at their own pinned clock, as the embedded backend reads it.
typedef void (*FakeOciSetClockFn)(int (*now)(int* fields));
}
