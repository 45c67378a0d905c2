// Field formatting of the download records: widths are kept exactly, whatever the value.
#include "download/Field.h"

#include <gtest/gtest.h>

#include <string>

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
