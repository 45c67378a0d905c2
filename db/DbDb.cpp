#include "db/DbDb.h"

#include <cstring>
#include <string>

#include "db/OpenBackend.h"
#include "db/sql/Session.h"
#include "login/Login.h"

namespace jf {

int bdConnect() {
  char user[kLoginValueMax + 1] = {};
  char password[kLoginValueMax + 1] = {};
  char net[kLoginValueMax + 1] = {};
  bool too_long = false;
  iniGetLogin(user, password, net, &too_long);
  // A value cut to fit would log on with something the site never configured (a database
  // whose name is one letter shorter); refuse it, as the database refuses a wrong login.
  if (too_long) return sql::kLoginTooLong;
  // The connect string's limit of 100 characters still holds, but its parts stay apart: a
  // password with "@" or "/" must not move the split between them.
  const std::size_t length = std::strlen(user) + 1 + std::strlen(password) + 1 + std::strlen(net);
  if (length > kConnectStringMax) return sql::kLoginTooLong;
  return sql::Connect(user, password, net, OpenBackend);
}

void bdCommit() {
  sql::Commit();
}

void bdRollback() {
  sql::Rollback();
}

int bdBeginUnit(const char* name) {
  return sql::BeginUnit(name);
}

int bdEndUnit(bool keep) {
  return sql::EndUnit(keep);
}

void bdEndUnitWithNextWrite() {
  sql::EndUnitWithNextWrite();
}

int bdBeginGroupUnit(const char* name) {
  return sql::BeginGroupUnit(name);
}

int bdEndGroup(bool keep) {
  return sql::EndGroup(keep);
}

bool bdGroupFull() {
  return sql::GroupFull();
}

int bdLostStatus() {
  return sql::LostStatus();
}

void bdLockWait(bool wait) {
  sql::SetLockWait(wait);
}

}  // namespace jf
