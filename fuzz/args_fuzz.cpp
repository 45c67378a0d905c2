// The argument handling of whole runs: RunJobfeed and RunJobfeedMaster with the same arbitrary
// arguments, in a site whose database holds one terminal, one order of two positions marked for
// nobody, so arguments that name them are prepared and sent, and master data of every kind
// marked for "A". The input is split at zero bytes into arguments. Promises checked: no crash or
// overrun (the sanitizers) and the status of a run without its arguments.
#include <sqlite3.h>

#include <string>
#include <vector>

#include "FuzzSite.h"
#include "db/sql/Session.h"
#include "download/SndBuf.h"
#include "driver/MasterRun.h"
#include "driver/Run.h"
#include "msg/Msg.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const auto work = jf::fuzz::SiteWorkDir();
  sqlite3* db = nullptr;
  jf::fuzz::Check(
      sqlite3_open((work / ".." / ".." / ".." / ".." / "jobfeed.db").c_str(), &db) == SQLITE_OK,
      "cannot open the site's database");
  jf::fuzz::Check(
      sqlite3_exec(db,
                   "insert into Kvl557Cfg (CfgDta,CfgIP,CfgPrt,CfgVn1,CfgBi1) values "
                   "(3,'10.1.0.3','4001','100','199');"
                   "insert into Kvl501Apk (ApkApk,ApkSts,ApkAfo,ApkFbe) values ('4711',2,2,'110');"
                   "insert into Kvl504App (AppApk,AppApp,AppSts,AppFbe) values "
                   "('4711','10',2,'110'),('4711','20',9,'110');"
                   "insert into Kvl559Fbe (FbeFbe,FbeTyp) values ('110',1);"
                   "insert into o1003Kststelle (KstNum) values ('K1');"
                   "insert into Kvl537Ksg (KsgApg,KsgGvo,KsgKst) values "
                   "('G1',julianday('2020-01-01'),'K1');"
                   "insert into Kvl530Apg (ApgApg,ApgFbe,ApgDna,ApgDwn) values "
                   "('G1','110','AEN','A');"
                   "insert into Kvl531Apl (AplApl,AplApg,AplFbe,AplDna,AplDwn) values "
                   "('W1','G1','110','AEN','A');"
                   "insert into Kvl521Ubg (UbgUbg,UbgKnz,UbgFbe,UbgDna,UbgDwn) values "
                   "('U1',1,'110','AEN','A');"
                   "insert into Kvl510Prv (PrvPnr,PrvFbe,PrvAwn,PrvDna,PrvDwn) values "
                   "('P1','110','B1','AEN','A');",
                   nullptr, nullptr, nullptr) == SQLITE_OK,
      "cannot fill the site's database");
  sqlite3_close(db);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> args = jf::fuzz::SplitAtZero(data, size);
  if (args.size() > 8) args.resize(8);
  std::vector<const char*> argv{"jobfeed"};
  for (const std::string& a : args) argv.push_back(a.c_str());
  const int argc = size == 0 ? 1 : static_cast<int>(argv.size());
  argv.push_back(nullptr);

  // What the process end does after a real run.
  const auto end_process = [] {
    jf::SndBuf_CloseCache();
    jf::sql::Disconnect();
    jf::Msg_ResetForTest();
  };
  const int status = jf::RunJobfeed(argc, argv.data());
  if (argc < 5) jf::fuzz::Check(status == jf::kUsageStatus, "missing arguments not refused");
  end_process();

  argv[0] = "jobfeed-master";
  const int master = jf::RunJobfeedMaster(argc, argv.data());
  if (argc < 2) jf::fuzz::Check(master == jf::kUsageStatus, "missing requester not refused");
  end_process();

  std::error_code ec;
  const auto work = jf::fuzz::SiteWorkDir();
  for (const auto& f :
       {work / "Msg" / "Jobfeed.txt", work / ".." / "Comm" / "Buff" / "SndDnl3.buf"}) {
    if (std::filesystem::file_size(f, ec) > (1u << 20)) std::filesystem::remove(f, ec);
  }
  return 0;
}
