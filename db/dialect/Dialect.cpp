#include "db/dialect/Dialect.h"

#include <algorithm>
#include <cstdio>

namespace jf::dialect {

namespace {

bool IsIdent(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '$' || c == '#';
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

char Lower(char c) {
  return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
}

bool WordIs(std::string_view word, std::string_view lower) {
  if (word.size() != lower.size()) return false;
  for (std::size_t k = 0; k < word.size(); ++k) {
    if (Lower(word[k]) != lower[k]) return false;
  }
  return true;
}

// The end of the quoted literal that starts at i (one past its closing quote); a doubled quote
// inside it is a quote character.
std::size_t LiteralEnd(std::string_view text, std::size_t i) {
  std::size_t j = i + 1;
  while (j < text.size()) {
    if (text[j] == '\'') {
      if (j + 1 < text.size() && text[j + 1] == '\'') {
        j += 2;
        continue;
      }
      return j + 1;
    }
    ++j;
  }
  return text.size();
}

std::size_t SkipBlanks(std::string_view text, std::size_t i) {
  while (i < text.size() && text[i] == ' ') ++i;
  return i;
}

std::size_t IdentEnd(std::string_view text, std::size_t i) {
  while (i < text.size() && IsIdent(text[i])) ++i;
  return i;
}

// "( :name , 'format' )" from i on: the end of it and the format, or 0 when the text there is
// anything else.
std::size_t BoundDateCall(std::string_view text, std::size_t i, std::string_view* format) {
  i = SkipBlanks(text, i);
  if (i >= text.size() || text[i] != '(') return 0;
  i = SkipBlanks(text, i + 1);
  if (i + 1 >= text.size() || text[i] != ':' || !IsIdent(text[i + 1])) return 0;
  i = SkipBlanks(text, IdentEnd(text, i + 1));
  if (i >= text.size() || text[i] != ',') return 0;
  i = SkipBlanks(text, i + 1);
  if (i >= text.size() || text[i] != '\'') return 0;
  const std::size_t end = LiteralEnd(text, i);
  *format = text.substr(i + 1, end - i - 2);
  i = SkipBlanks(text, end);
  if (i >= text.size() || text[i] != ')') return 0;
  return i + 1;
}

// What an open parenthesis belongs to, for the rules that look at the value it closes.
enum class Paren { kPlain, kDate, kDateCast };

class Translator {
 public:
  Translator(std::string_view text, Target target) : text_(text), pg_(target == Target::kPostgres) {
    t_.text.reserve(text.size() + 32);
  }

  Translation Run() {
    while (i_ < text_.size()) Step();
    return std::move(t_);
  }

 private:
  void Param() {
    ++t_.params;
    if (pg_) {
      t_.text += '$';
      t_.date_formats.emplace_back();
    } else {
      t_.text += '?';
    }
    t_.text += std::to_string(t_.params);
  }

  void Step() {
    const char c = text_[i_];
    if (c == '\'') {
      const std::size_t end = LiteralEnd(text_, i_);
      // Oracle has no empty text: the literal '' is NULL.
      if (pg_ && end == i_ + 2) {
        t_.text += "NULL";
      } else {
        t_.text.append(text_.substr(i_, end - i_));
      }
      i_ = end;
      after_date_ = false;
      return;
    }
    if (c == ':' && i_ + 1 < text_.size() && IsIdent(text_[i_ + 1])) {
      i_ = IdentEnd(text_, i_ + 1);
      Param();
      after_date_ = false;
      return;
    }
    if (IsIdent(c) && (i_ == 0 || !IsIdent(text_[i_ - 1]))) {
      Word();
      return;
    }
    if (c == '(') {
      parens_.push_back(Paren::kPlain);
    } else if (c == ')') {
      const Paren p = parens_.empty() ? Paren::kPlain : parens_.back();
      if (!parens_.empty()) parens_.pop_back();
      t_.text += ')';
      if (p == Paren::kDateCast) t_.text += "::timestamp";
      after_date_ = p != Paren::kPlain;
      ++i_;
      return;
    } else if (pg_ && (c == '+' || c == '-') && after_date_ && DaysAfterDate(c)) {
      return;
    }
    t_.text += c;
    ++i_;
    if (c != ' ') after_date_ = false;
  }

  void Word() {
    const std::size_t end = IdentEnd(text_, i_);
    const std::string_view word = text_.substr(i_, end - i_);
    const std::size_t next = SkipBlanks(text_, end);
    const bool call = next < text_.size() && text_[next] == '(';
    after_date_ = false;
    if (WordIs(word, "sysdate")) {
      // The server's clock when the statement started, to the second, as Oracle's DATE has it.
      t_.text += pg_ ? "date_trunc('second',statement_timestamp()::timestamp)" : "sysdate()";
      after_date_ = true;
      i_ = end;
      return;
    }
    if (WordIs(word, "kvlsystem") && end < text_.size() && text_[end] == '.') {
      if (pg_) t_.text.append(word).append(".");
      i_ = end + 1;  // SQLite: the schema's tables are tables of the one file
      return;
    }
    if (pg_ && call && WordIs(word, "trunc")) {
      // The statements truncate dates only, to their day.
      t_.text += "date_trunc('day',";
      parens_.push_back(Paren::kDate);
      i_ = next + 1;
      return;
    }
    if (WordIs(word, "for") && next < text_.size() &&
        WordIs(text_.substr(next, IdentEnd(text_, next) - next), "update")) {
      t_.locks = true;
      if (!pg_) {  // the locking clause closes the statement; what follows is its wait option
        while (!t_.text.empty() && t_.text.back() == ' ') t_.text.pop_back();
        i_ = text_.size();
        return;
      }
    }
    if (pg_ && WordIs(word, "wait") && EndsInUpdate()) {
      // "for update wait N": the session's lock_timeout bounds every lock wait.
      std::size_t j = SkipBlanks(text_, end);
      while (j < text_.size() && IsDigit(text_[j])) ++j;
      while (!t_.text.empty() && t_.text.back() == ' ') t_.text.pop_back();
      i_ = j;
      return;
    }
    if (pg_ && call && WordIs(word, "nvl")) {
      t_.text += "coalesce";
      i_ = end;
      return;
    }
    if (pg_ && call && WordIs(word, "to_date")) {
      std::string_view format;
      if (const std::size_t after = BoundDateCall(text_, next, &format); after != 0) {
        Param();
        t_.text += "::timestamp";
        t_.date_formats.back() = std::string(format);
        after_date_ = true;
        i_ = after;
        return;
      }
      // A date text that is not bound is read by the server.
      t_.text += "to_timestamp(";
      parens_.push_back(Paren::kDateCast);
      i_ = next + 1;
      return;
    }
    t_.text.append(word);
    i_ = end;
  }

  // Whether what was written last is the word "update" (of "for update").
  bool EndsInUpdate() const {
    std::size_t e = t_.text.size();
    while (e > 0 && t_.text[e - 1] == ' ') --e;
    return e >= 6 && WordIs(std::string_view(t_.text).substr(e - 6, 6), "update") &&
           (e == 6 || !IsIdent(t_.text[e - 7]));
  }

  // A date plus or minus a bound or literal number is that many days later or earlier. Writes
  // the operator and its operand as an interval and returns true; false when the operand is
  // anything else.
  bool DaysAfterDate(char op) {
    const std::size_t j = SkipBlanks(text_, i_ + 1);
    if (j + 1 < text_.size() && text_[j] == ':' && IsIdent(text_[j + 1])) {
      t_.text += op;
      Param();
      t_.text += "::float8*interval '1 day'";
      i_ = IdentEnd(text_, j + 1);
      return true;
    }
    if (j < text_.size() && IsDigit(text_[j])) {
      std::size_t k = j;
      while (k < text_.size() && (IsDigit(text_[k]) || text_[k] == '.')) ++k;
      if (k < text_.size() && IsIdent(text_[k])) return false;
      t_.text += op;
      t_.text.append(text_.substr(j, k - j)).append("*interval '1 day'");
      i_ = k;
      return true;
    }
    return false;
  }

  std::string_view text_;
  bool pg_;
  std::size_t i_ = 0;
  std::vector<Paren> parens_;
  bool after_date_ = false;  // what was written last is a date value
  Translation t_;
};

int Width(DateElem e) {
  return e == kYyyy ? 4 : 2;
}

// Writes v zero-padded to width digits, as "%0*d" does; returns the characters written.
std::size_t PutPadded(char* out, std::size_t room, int width, int v) {
  if (room == 0 || static_cast<std::size_t>(width) >= room) return 0;
  int limit = 1;
  for (int k = 0; k < width; ++k) limit *= 10;
  if (v < 0 || v >= limit) {  // rare: let the library handle signs and extra digits
    const int n = std::snprintf(out, room, "%0*d", width, v);
    return n < 0 ? 0 : std::min(static_cast<std::size_t>(n), room - 1);
  }
  for (int k = width - 1; k >= 0; --k) {
    out[k] = static_cast<char>('0' + v % 10);
    v /= 10;
  }
  return static_cast<std::size_t>(width);
}

}  // namespace

Translation Translate(std::string_view oracle_text, Target target) {
  return Translator(oracle_text, target).Run();
}

DateFormat ParseDateFormat(std::string_view f) {
  DateFormat r;
  std::size_t i = 0;
  while (i < f.size()) {
    if (r.n == 16) {
      r.ok = false;
      break;
    }
    auto at = [&](std::string_view w) {
      if (i + w.size() > f.size() || !WordIs(f.substr(i, w.size()), w)) return false;
      i += w.size();
      return true;
    };
    if (at("yyyy")) {
      r.elems[r.n++] = kYyyy;
    } else if (at("yy")) {
      r.elems[r.n++] = kYy;
    } else if (at("mm")) {
      r.elems[r.n++] = kMm;
    } else if (at("dd")) {
      r.elems[r.n++] = kDd;
    } else if (at("hh24")) {
      r.elems[r.n++] = kHh24;
    } else if (at("mi")) {
      r.elems[r.n++] = kMi;
    } else if (at("ss")) {
      r.elems[r.n++] = kSs;
    } else {
      r.ok = false;
      break;
    }
  }
  return r;
}

int ReadDate(std::string_view t, const DateFormat& fmt, CivilTime* out, bool* null) {
  *null = false;
  while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
  while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
  if (t.empty()) {
    *null = true;
    return 0;
  }
  if (!fmt.ok) return -1821;
  int Y = -1, M = -1, D = -1, h = 0, m = 0, s = 0;
  std::size_t pos = 0;
  for (int k = 0; k < fmt.n; ++k) {
    const DateElem e = fmt.elems[k];
    if (pos == t.size() && (e == kHh24 || e == kMi || e == kSs)) break;  // time may be left off
    int v = 0;
    for (int d = 0; d < Width(e); ++d) {
      if (pos >= t.size() || !IsDigit(t[pos])) return -1861;
      v = v * 10 + (t[pos++] - '0');
    }
    switch (e) {
      case kYyyy:
        Y = v;
        break;
      case kYy:
        Y = 2000 + v;
        break;
      case kMm:
        M = v;
        break;
      case kDd:
        D = v;
        break;
      case kHh24:
        h = v;
        break;
      case kMi:
        m = v;
        break;
      case kSs:
        s = v;
        break;
    }
  }
  if (pos != t.size() || Y < 0 || M < 0 || D < 0) return -1861;
  if (M < 1 || M > 12) return -1843;
  if (Y == 0) return -1841;
  if (D < 1 || D > 31) return -1847;
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (Y % 4 == 0 && Y % 100 != 0) || Y % 400 == 0;
  if (D > kDays[M - 1] + (M == 2 && leap ? 1 : 0)) return -1839;
  if (h > 23) return -1850;
  if (m > 59) return -1851;
  if (s > 59) return -1852;
  *out = CivilTime{Y, M, D, h, m, s};
  return 0;
}

const char* DateErrorText(int status) {
  switch (status) {
    case -1821:
      return "ORA-01821: date format not recognized";
    case -1861:
      return "ORA-01861: literal does not match format string";
    case -1843:
      return "ORA-01843: not a valid month";
    case -1841:
      return "ORA-01841: (full) year must be between -4713 and +9999, and not be 0";
    case -1847:
      return "ORA-01847: day of month must be between 1 and last day of month";
    case -1839:
      return "ORA-01839: date not valid for month specified";
    case -1850:
      return "ORA-01850: hour must be between 0 and 23";
    case -1851:
      return "ORA-01851: minutes must be between 0 and 59";
    case -1852:
      return "ORA-01852: seconds must be between 0 and 59";
    default:
      return "";
  }
}

std::size_t WriteDate(const CivilTime& t, const DateFormat& fmt, char* buf, std::size_t room) {
  std::size_t o = 0;
  for (int k = 0; k < fmt.n; ++k) {
    int v = 0;
    switch (fmt.elems[k]) {
      case kYyyy:
        v = t.year;
        break;
      case kYy:
        v = t.year % 100;
        break;
      case kMm:
        v = t.month;
        break;
      case kDd:
        v = t.day;
        break;
      case kHh24:
        v = t.hour;
        break;
      case kMi:
        v = t.minute;
        break;
      case kSs:
        v = t.second;
        break;
    }
    o += PutPadded(buf + o, room - o, Width(fmt.elems[k]), v);
  }
  return o;
}

}  // namespace jf::dialect
