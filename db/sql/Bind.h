// Inputs and outputs of a statement, bound by position. An input carries its value; an output
// names the record field that receives the column.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "db/tables/Text.h"

namespace jf::sql {

enum class Type : uint8_t { kText, kInt16, kInt32, kDouble };

struct In {
  Type type = Type::kText;
  std::string_view text;
  int32_t i = 0;
  double d = 0;
  // A text from a field of a record or statement buffer: the field's width, which the backends
  // do not need but the check of statements against the schema does; 0 for other texts.
  uint16_t width = 0;

  // An empty text is bound as NULL, as Oracle stores it.
  static In Text(std::string_view v) { return In{Type::kText, v, 0, 0}; }
  // A routine's C string argument; a null pointer is the empty text.
  static In Text(const char* v) { return Text(std::string_view(v != nullptr ? v : "")); }
  // 16-bit columns are written with the low 16 bits of the field.
  static In I16(int32_t v) { return In{Type::kInt16, {}, static_cast<int16_t>(v), 0}; }
  static In I32(int32_t v) { return In{Type::kInt32, {}, v, 0}; }
  static In Dbl(double v) { return In{Type::kDouble, {}, 0, v}; }
  template <std::size_t N>
  static In Text(const jf::Text<N>& t) {
    In in = Text(t.view());
    in.width = static_cast<uint16_t>(N);
    return in;
  }
};

struct Out {
  Type type = Type::kText;
  void* dst = nullptr;
  std::size_t cap = 0;  // texts: bytes of the buffer, terminator included
  // Where given, receives what Oracle's indicator variables hold: -1 for a NULL column, the
  // full length of a text that was cut to its field, 0 otherwise. The program's modules never
  // examine it (they share one indicator they never read); tests and the fake client do.
  int16_t* ind = nullptr;

  // A NULL column delivers an empty text or 0; a longer text is cut to the buffer.
  static Out Text(char* buf, std::size_t cap) { return Out{Type::kText, buf, cap, nullptr}; }
  template <std::size_t N>
  static Out Text(jf::Text<N>& t) {
    return Out{Type::kText, t.s, N + 1, nullptr};
  }
  // A 16-bit column, widened with its sign into a 32-bit field.
  static Out I16(int32_t* p) { return Out{Type::kInt16, p, 0, nullptr}; }
  static Out I32(int32_t* p) { return Out{Type::kInt32, p, 0, nullptr}; }
  static Out Dbl(double* p) { return Out{Type::kDouble, p, 0, nullptr}; }
};

}  // namespace jf::sql
