// jobfeed-admin show-buffer on send-buffer files the writer's own line builder produced.
#include <gtest/gtest.h>

#include <string>

#include "download/MasterDnl.h"
#include "download/OrderDnl.h"
#include "download/SndBuf.h"
#include "support/OrderSite.h"

namespace jf {
namespace {

class ShowBufferTest : public test::SiteTest {
 protected:
  int Show(const std::vector<std::string>& args, std::string* out) {
    std::vector<std::string> a = {"show-buffer"};
    a.insert(a.end(), args.begin(), args.end());
    return test::RunCommand(JOBFEED_ADMIN_BIN, a, out);
  }
  std::string Lines() {
    CfgRecord cfg;
    cfg.CfgDta = 3;
    cfg.CfgIP = "10.1.2.3";
    cfg.CfgPrt = "4001";
    ApkDnlRecord h;
    h.ApkApk = "4711";
    h.ApkSme = 125.5;
    h.ApkDna = "AEN";
    AppDnlRecord p;
    p.AppApk = "4711";
    p.AppApp = "10";
    p.AppStr = 12.345;
    DnlRecord a, b;
    a.date = b.date = "20261207";
    a.time = b.time = "093015";
    Apk_Build(&a, h, "REQ1");
    App_Build(&b, p, "REQ1");
    return SndBuf_Line(a, cfg, "20261207101112") + SndBuf_Line(b, cfg, "20261207101113");
  }
};

TEST_F(ShowBufferTest, LabelsHeaderAndPayloadFields) {
  test::WriteBytes(root() / "SndDnl3.buf", Lines());
  std::string out;
  ASSERT_EQ(Show({"SndDnl3.buf"}, &out), 0) << out;
  EXPECT_NE(out.find("line 1: 552 bytes"), std::string::npos) << out;
  EXPECT_NE(out.find("terminal address  [10.1.2.3       ]"), std::string::npos) << out;
  EXPECT_NE(out.find("timestamp         [20261207101112]"), std::string::npos);
  EXPECT_NE(out.find("download kind     [AEN]"), std::string::npos);
  EXPECT_NE(out.find("ApkSme            [00000125500] 125.500\n"), std::string::npos);
  EXPECT_NE(out.find("run date          [261207] 2026-12-07\n"), std::string::npos);
  EXPECT_NE(out.find("ApkBgs            [      ]\n"), std::string::npos) << "no date, nothing read";
  EXPECT_NE(out.find("line 2: 552 bytes"), std::string::npos);
  EXPECT_NE(out.find("AppApp            [10   ]"), std::string::npos);
  EXPECT_NE(out.find("AppStr            [0001234] 12.34\n"), std::string::npos);
  EXPECT_EQ(out.find("!"), std::string::npos);
}

TEST_F(ShowBufferTest, LabelsTheFieldsOfEveryMasterDataRecord) {
  CfgRecord cfg;
  ApgDnlRecord g;
  g.ApgKst = "K4711";
  UbgDnlRecord u;
  u.UbgTxt = "Lager";
  PrvDnlRecord p;
  p.PrvAwn = "B0815";
  p.PrvBer = 2;
  KsgDnlRecord k;
  k.KsgKst = "K4712";
  DnlRecord r[6];
  Apg_Build(&r[0], g, "REQ1");
  // A workplace record needs the database for its cost centre; its payload is written out.
  r[1].DnlSkz = "MAS";
  r[1].DnlDnl = std::string(95, ' ') + "   12" + "3" + std::string(50, ' ') + "ABCX";
  Ubg_Build(&r[2], u, "REQ1");
  Prv_BuildAwn(&r[3], p, "REQ1");
  Prv_BuildPnr(&r[4], p, "REQ1");
  Ksg_Build(&r[5], k, "REQ1");
  std::string text;
  for (const DnlRecord& rec : r) text += SndBuf_Line(rec, cfg, "20261207101112");
  test::WriteBytes(root() / "SndDnl3.buf", text);
  std::string out;
  ASSERT_EQ(Show({"SndDnl3.buf"}, &out), 0) << out;
  for (const char* field :
       {"ApgKst            [K4711  ]", "AplApr            [   12]",
        "AplZf3            [                    ABC]", "UbgTxt            [   Lager]",
        "PrvAwn            [B0815   ]", "PrvBer (A/M)      [M]", "KsgKst            [K4712  ]"}) {
    EXPECT_NE(out.find(field), std::string::npos) << field << "\n" << out;
  }
  EXPECT_EQ(out.find("(after record)"), std::string::npos) << out;
}

TEST_F(ShowBufferTest, FlagsMalformedAndCutLines) {
  std::string text = Lines();
  text.replace(90, 3, "apk");            // a record type nobody sends
  text.replace(111 + 12, 4, "\x1B[2J");  // an escape sequence in the first text field
  text[111 + 16] = '\x9B';               // CSI where the terminal takes bytes as they are
  text.insert(0, "$short*\r\n");
  text.resize(text.size() - 100);  // the file ends inside the last line
  test::WriteBytes(root() / "bad.buf", text);
  std::string out;
  EXPECT_EQ(Show({"bad.buf"}, &out), 1);
  EXPECT_NE(out.find("! unknown record type [apk]"), std::string::npos) << out;
  EXPECT_NE(out.find("payload           [4711        \\x1B[2J"), std::string::npos) << out;
  EXPECT_EQ(out.find('\x1B'), std::string::npos) << "control bytes reach the terminal raw";
  EXPECT_NE(out.find("! length 9, expected 552"), std::string::npos) << out;
  EXPECT_NE(out.find("! no CR LF at its end"), std::string::npos) << out;
  EXPECT_NE(out.find("the last line has no CR LF (452 bytes)"), std::string::npos) << out;
#ifndef _WIN32
  test::RunCommand("/usr/bin/env", {"LC_ALL=C", JOBFEED_ADMIN_BIN, "show-buffer", "bad.buf"}, &out);
  EXPECT_NE(out.find("payload           [4711        \\x1B[2J\\x9B"), std::string::npos) << out;
  EXPECT_EQ(out.find('\x9B'), std::string::npos) << "a C1 control reaches the terminal raw";
#endif
}

TEST_F(ShowBufferTest, MissingFileAndBadUse) {
  std::string out;
  EXPECT_EQ(Show({"nothing.buf"}, &out), 1);
  EXPECT_NE(out.find("nothing.buf: cannot be opened"), std::string::npos) << out;
  EXPECT_EQ(Show({}, &out), 2);
  EXPECT_EQ(Show({"a", "b"}, &out), 2);
  out.clear();
  EXPECT_EQ(Show({"--help"}, &out), 0);
  EXPECT_NE(out.find("usage: jobfeed-admin show-buffer [--quiet] FILE"), std::string::npos);
}

}  // namespace
}  // namespace jf
