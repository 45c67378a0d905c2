// Commands of the operator tool. Each takes its own arguments (argv[0] is the command name)
// and returns the exit code: 0 done, 1 failed, 2 bad use.
#pragma once

#include <string>
#include <string_view>

#include "tools/admin_login.h"

namespace jf::admin {

int CmdInitDb(int argc, char** argv);
int CmdCheckDb(int argc, char** argv);
int CmdPrintDdl(int argc, char** argv);
int CmdShowBuffer(int argc, char** argv);
int CmdResendOrder(int argc, char** argv);
int CmdJournal(int argc, char** argv);
// The operator's questions: what is due and what blocks it, which terminal gets an area, what
// the message file says. Exit codes: tools/admin_operator.h.
int CmdDue(int argc, char** argv);
int CmdTerminals(int argc, char** argv);
int CmdTerminal(int argc, char** argv);
int CmdMessages(int argc, char** argv);

// -h or --help anywhere among a command's arguments prints its usage on standard output,
// --version the version; returns true, with the exit code in *rc, when it answered.
bool AnswersHelpOrVersion(int argc, char** argv, const char* usage, int* rc);
// Takes every --quiet out of a command's arguments; true when there was one. A command that can
// take long shows its progress on standard error when that is a terminal, unless told --quiet.
bool TakeQuiet(int* argc, char** argv);
// Why a requester name or key typed for a command cannot be used as it stands (empty or blank,
// a control character, a blank before or after it), or nullptr: no run would ever select rows
// marked with it.
const char* TypedValueFault(std::string_view value);

// show-buffer's way of printing, which journal shares: one labelled value in [ ], and a payload
// cut into the fields of its record type (shown whole for a type without a layout).
void PrintField(const char* name, std::string_view value);
void PrintPayload(std::string_view type, std::string_view payload);

// Connects to the site's database as the programs do: through the login file
// ..\..\..\..\files\quantelor.ini, relative to the working directory. On failure prints why,
// prefixed with the command's name, and returns false.
bool ConnectSite(const char* command);
// What keeps the login file from serving a connect, for the operator; empty when nothing does.
std::string LoginFileFailure();
// Why a connect failed with status rc: the login file's fault first, then what the database
// client or the database said.
std::string ConnectFailure(int rc);
// Prints that the database failed with status (and the backend's detail); returns exit code 1.
int DatabaseFailed(const char* command, int status);

}  // namespace jf::admin
