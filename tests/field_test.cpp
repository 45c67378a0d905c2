// Field formatting of the download records: widths are kept exactly, whatever the value.
#include "download/Field.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "download/SndBuf.h"

namespace jf {
namespace {

std::string Quantity(double v) {
  char out[field::kQuantityWidth];
  field::PutQuantity(out, v);
  return std::string(out, sizeof out);
}

std::string Short(double v) {
  char out[field::kShortWidth];
  field::PutShort(out, v);
  return std::string(out, sizeof out);
}

TEST(Field, QuantityTextKeepsThreeImpliedDecimalsInElevenCharacters) {
  EXPECT_EQ(Quantity(0), "00000000000");
  EXPECT_EQ(Quantity(125.5), "00000125500");
  EXPECT_EQ(Quantity(-125.5), "-0000125500");
  EXPECT_EQ(Quantity(99999999.999), "99999999999");
  EXPECT_EQ(Quantity(100000000), "10000000000");  // the last digit is lost
}

TEST(Field, HugeQuantitiesAreCutNotOverrun) {
  // These format to far more than 12 characters; the sanitizer build watches the buffers.
  EXPECT_EQ(Quantity(1e300), "10000000000");
  EXPECT_EQ(Quantity(-1e20), "-1000000000");
  EXPECT_EQ(Quantity(-99999999.5), "-9999999950");
}

TEST(Field, ShortTextIsFiveIntegerDigitsAndTwoDecimals) {
  EXPECT_EQ(Short(12.345), "0001234");
  EXPECT_EQ(Short(98765.4321), "9876543");
  EXPECT_EQ(Short(12.5), "0001250");
  EXPECT_EQ(Short(123456.5), "2345650");  // leading digits lost
  EXPECT_EQ(Short(-12.5), "0001250");     // sign lost
  EXPECT_EQ(Short(1e300).size(), 7u);
}

TEST(Field, TextsArePaddedAndCut) {
  char out[6];
  field::PutText(out, 5, "ab");
  EXPECT_EQ(std::string(out, 5), "ab   ");
  field::PutText(out, 5, "abcdefgh");
  EXPECT_EQ(std::string(out, 5), "abcde");
  field::PutText(out, 5, "");
  EXPECT_EQ(std::string(out, 5), "     ");
  field::PutInt(out, 5, 3);
  EXPECT_EQ(std::string(out, 5), "3    ");
  field::PutInt(out, 5, -2147483647 - 1);
  EXPECT_EQ(std::string(out, 5), "-2147");
}

TEST(Field, DatesAndStatusCharacters) {
  char d[6];
  field::PutDate(d, "20261207");
  EXPECT_EQ(std::string(d, 6), "261207");
  field::PutDate(d, "");
  EXPECT_EQ(std::string(d, 6), "      ");
  EXPECT_EQ(field::StatusChar(7), '7');
  EXPECT_EQ(field::StatusChar(10), '0');
  EXPECT_EQ(field::StatusChar(11), '1');
  EXPECT_EQ(field::StatusChar(0), '0');
  EXPECT_EQ(field::StatusChar(-3), '-');
}

TEST(Field, FixedRecordNeverWritesPastItsEnd) {
  field::FixedRecord<10> r;
  r.Text(8, 30, "abcdef");
  r.Quantity(5, 125.5);
  r.Char(10, 'X');  // beyond the end: ignored
  EXPECT_EQ(r.view(), "     00000");
  r.Text(40, 3, "zzz");
  EXPECT_EQ(r.view().size(), 10u);
}

}  // namespace
}  // namespace jf

namespace jf {
namespace {

// The quantity text and the send-buffer line are assembled without printf for speed; these
// compare them with printf's own output of the formats they stand for.
TEST(Field, QuantityTextMatchesPrintfForManyValues) {
  std::vector<double> values = {0.0,        -0.0,          0.0005, 0.0015,       -0.0005,
                                1e-9,       125.5,         -125.5, 99999999.999, 99999999.9995,
                                100000000,  -99999999.999, 1e15,   -1e300,       1e300,
                                123456.789, 2.675,         1.0005, -0.001,       4294967296.5};
  uint64_t x = 88172645463325252ull;  // xorshift: fixed, reproducible values
  for (int i = 0; i < 2000; ++i) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    const double mag = std::pow(10.0, static_cast<int>(x % 14) - 4);
    values.push_back((static_cast<double>(x % 2000001) - 1000000.0) / 1000000.0 * mag);
  }
  for (double v : values) {
    char ref[512];
    std::snprintf(ref, sizeof ref, "%012.3f", v);
    std::string expected;
    for (const char* p = ref; *p != '\0' && expected.size() < 11; ++p) {
      if (*p != '.') expected += *p;
    }
    EXPECT_EQ(Quantity(v), expected) << v;
  }
}

TEST(Field, SendBufferLineMatchesItsPrintfFormat) {
  DnlRecord rec;
  rec.date = "20261207";
  rec.time = "101112";
  rec.DnlSkz = "APK";
  rec.DnlFun = "AEN";
  rec.DnlDnl = std::string(255, 'p');
  CfgRecord cfg;
  cfg.CfgIP = "10.1.0.3";
  cfg.CfgPrt = "4001";
  struct Case {
    const char* ip;
    const char* port;
    const char* fun;
    const char* date;
    std::size_t payload;
    const char* ts;
  } cases[] = {{"10.1.0.3", "4001", "AEN", "20261207", 255, "20261207101112"},
               {"", "", "", "", 0, ""},
               {"123456789012345", "65535", "LOE", "2", 257, "123456789012345678"},
               {"a", "b", "X", "20261207", 1, "0"}};
  for (const Case& c : cases) {
    cfg.CfgIP = c.ip;
    cfg.CfgPrt = c.port;
    rec.DnlFun = c.fun;
    rec.date = c.date;
    rec.DnlDnl = std::string(c.payload, 'q');
    const std::string date =
        rec.date.view().size() >= 2 ? std::string(rec.date.view().substr(2)) : "";
    char ref[1024];
    std::snprintf(ref, sizeof ref, kSndBufLineFormat, c.ip, c.port, c.ts, "999", c.ip, c.port, "",
                  "0460", rec.DnlSkz.c_str(), date.c_str(), rec.time.c_str(), c.fun,
                  rec.DnlDnl.c_str());
    EXPECT_EQ(SndBuf_Line(rec, cfg, c.ts), std::string(ref)) << c.ip;
  }
}

}  // namespace
}  // namespace jf
