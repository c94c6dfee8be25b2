// The arithmetic expression evaluator: a recursive-descent parser that evaluates while it reads.
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <system_error>

#include "lib/utils/zuUtilsBase.h"

namespace zu {
namespace {

// Open brackets and unary minus together; a bracket level costs two stack frames of the parser, so
// deeper input is refused before it can exhaust the stack.
constexpr int kMaxNesting = 10000;

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
// "(" ")" "*" "+" "," "-" "." "/" and the digits; everything else is skipped.
bool IsUsable(unsigned char c) { return c >= 40 && c <= 57; }
bool IsSign(unsigned char c) { return c == '*' || c == '+' || c == '-' || c == '/'; }

// value × 10 + digit, rounded to float once. The sum is rounded to odd in double (53 bits, at least
// two more than float's 24), so the final rounding to float cannot round twice in the wrong way.
float AppendDigit(float value, int digit) {
  if (!std::isfinite(value)) return value;
  const double scaled = static_cast<double>(value) * 10.0;  // exact: 24 + 4 significant bits
  double sum = scaled + digit;
  const double lost = digit - (sum - scaled);  // exact error of the sum, as scaled >= digit or is 0
  if (lost != 0 && (std::bit_cast<uint64_t>(sum) & 1) == 0) sum = std::nextafter(sum, lost * HUGE_VAL);
  return static_cast<float>(sum);
}

// value ÷ 10^digits, rounded to float once: the integer value and the exponent are handed to the
// correctly rounding decimal reader instead of dividing by an inexact power of ten.
float ShiftDecimal(float value, int64_t digits) {
  if (!std::isfinite(value) || value == 0) return value;
  char text[80];  // at most 39 integer digits, "e-" and 19 exponent digits
  auto put = std::to_chars(text, text + sizeof text, static_cast<double>(value), std::chars_format::fixed, 0);
  *put.ptr++ = 'e';
  *put.ptr++ = '-';
  put = std::to_chars(put.ptr, text + sizeof text, digits);
  float result = 0;
  const auto got = std::from_chars(text, put.ptr, result, std::chars_format::scientific);
  return got.ec == std::errc() ? result : 0.0f;  // out of range can only mean below the smallest float
}

// Cold paths out of line, so that the recursive frames carry no message strings.
[[noreturn]] [[gnu::noinline]] void Fail(const char* message) { throw Exception(message); }
[[noreturn]] [[gnu::noinline]] void Fail(const char* message, size_t pos) {
  throw Exception(message + IntToStr(static_cast<int64_t>(pos) - 1));
}

class TCalc {
 public:
  explicit TCalc(std::string text) : FText(std::move(text)) {}

  float Evaluate() {
    Advance();
    return Expression();  // whatever follows the expression is ignored
  }

 private:
  const std::string FText;
  size_t FPos = 0;        // 1-based index of FCh; 0 before the first character
  unsigned char FCh = 0;  // the current character, 0 past the end
  int64_t FOpen = 0;      // "(" read minus ")" met
  int FDepth = 0;         // brackets and unary minus currently open

  // Moves to the next usable character or past the end; a loop, so long skipped runs cost no stack.
  void Advance() {
    do {
      ++FPos;
      FCh = FPos <= FText.size() ? static_cast<unsigned char>(FText[FPos - 1]) : 0;
    } while (FCh != 0 && !IsUsable(FCh));
  }

  // An error ends the evaluation, so the depth needs no restoring on the way out of one.
  void Enter() {
    if (++FDepth > kMaxNesting) Fail("Expression nested too deeply");
  }
  void Leave() { --FDepth; }

  // expression := term {("+" | "-") term}, term := factor {("*" | "/") factor}, both left-associative.
  // Terms are read in this same frame, so that a bracket costs two frames (this and Factor), not three.
  float Expression() {
    float value = 0;
    char op = 0;  // the sign before the current term; none before the first
    for (;;) {
      float term = Factor();
      while (FCh == '*' || FCh == '/') {
        const bool divide = FCh == '/';
        Advance();
        const float factor = Factor();
        if (!divide) {
          term = factor * term;
        } else if (factor == 0) {  // -0 included
          Fail("Divide by 0");
        } else {
          term = term / factor;
        }
      }
      value = op == 0 ? term : op == '+' ? value + term : value - term;
      if (FCh != '+' && FCh != '-') return value;
      op = static_cast<char>(FCh);
      Advance();
      if (IsSign(FCh)) Fail(op == '+' ? "Duplicate signs. Pos:" : "Duplicate signs at. Pos:", FPos);
    }
  }

  // factor := number | "(" expression ")" | "-" factor | nothing (worth 0, consuming nothing).
  // A run of unary minus is read in a loop; only brackets recurse.
  float Factor() {
    int negations = 0;
    while (FCh == '-') {
      Enter();
      Advance();
      ++negations;
    }
    float value = 0;
    if (IsDigit(FCh)) {
      value = Number();
    } else if (FCh == '(') {
      Enter();
      ++FOpen;
      Advance();
      value = Expression();
      if (FCh != ')') Fail("Right brakets not found");
      Advance();
      Leave();
    }
    // Counted once, by the innermost factor of a minus run; the enclosing "(" factor consumes it.
    if (FCh == ')' && --FOpen < 0) Fail("Right braket havn't a left one. Pos:", FPos);
    FDepth -= negations;
    return negations % 2 != 0 ? -value : value;
  }

  // Digits with "." or "," as decimal separator; every separator after a digit is passed over.
  // Out of line, so that its working space stays out of the recursive frames.
  [[gnu::noinline]] float Number() {
    float value = 0;
    int64_t fractionDigits = 0;
    bool separatorSeen = false;
    while (IsDigit(FCh)) {
      value = AppendDigit(value, FCh - '0');
      Advance();
      if (separatorSeen) ++fractionDigits;
      if (FCh == '.' || FCh == ',') {
        Advance();
        separatorSeen = true;
      }
    }
    return fractionDigits != 0 ? ShiftDecimal(value, fractionDigits) : value;
  }
};

}  // namespace

float CalcMathString(const std::string& Expression) {
  std::string text = Trim(Expression);
  if (text.empty()) throw Exception("Expression string is empty.");
  return TCalc(std::move(text)).Evaluate();
}

}  // namespace zu
