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
  // A value cut to fit its buffer would log on with something the site never configured;
  // refuse it, as the database refuses a wrong login.
  if (too_long) return sql::kLoginTooLong;
  std::string connect;
  connect.reserve(kConnectStringMax);
  connect.append(user).append("/").append(password).append("@").append(net);
  if (connect.size() > kConnectStringMax) return sql::kLoginTooLong;
  return sql::Connect(connect, OpenBackend);
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
