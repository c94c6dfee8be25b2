#include "platform/classes/ObjectText.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "platform/classes/Filer.h"
#include "platform/classes/FilerText.h"
#include "platform/classes/Parser.h"
#include "platform/system/SysUtils.h"

namespace zu {

namespace {

// Characters of a string's text form per line before it is continued with " +".
constexpr size_t LineLength = 64;
// Bytes of binary data per line.
constexpr size_t BytesPerLine = 32;

// "1.5e-07" as the form writes it: "1.5E-7".
std::string FormExponent(std::string s) {
  size_t e = s.find('e');
  if (e == std::string::npos) return s;
  std::string digits = s.substr(e + 1);
  bool negative = !digits.empty() && digits[0] == '-';
  if (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) digits.erase(0, 1);
  digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
  return s.substr(0, e) + "E" + (negative ? "-" : "") + digits;
}

template <class T>
std::string Shortest(T v) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return FormExponent(std::string(buf, r.ptr));
}

// An extended value as the shortest text that reads back to the same bits (the reader takes a
// float's digits to the nearest extended): 1.5, 0.3, and a double's 0.1 as 0.10000000000000000555.
std::string ExtendedText(long double x) {
  if (std::isnan(x)) return "NAN";
  if (std::isinf(x)) return x > 0 ? "INF" : "-INF";
  std::string s = Shortest(x);
  if (s.find_first_of(".E") == std::string::npos) s += ".0";  // a float, not an integer
  return s;
}

// A single or a date with its suffix; without one when not finite (NAN, INF, -INF).
template <class T>
std::string SuffixedText(T v, const char* suffix) {
  return std::isfinite(v) ? Shortest(v) + suffix : ExtendedText(v);
}

// Writes text to Output as it goes, a block at a time: the input's structure has been walked
// before, so converting it cannot fail half-way.
class TBinaryToText {
 public:
  TBinaryToText(TReader& reader, TStream& output) : R(reader), Output(output) {}

  void Flush() {
    for (size_t done = 0; done < Out.size();) {
      int32_t n = static_cast<int32_t>(std::min<size_t>(Out.size() - done, size_t{1} << 30));
      Output.WriteBuffer(Out.data() + done, n);
      done += static_cast<size_t>(n);
    }
    Out.clear();
  }

  void ConvertObject() {
    Nest level(*this);
    uint8_t flags;
    int32_t childPos;
    R.ReadPrefix(flags, childPos);
    std::string className = R.ReadStr();
    std::string objectName = R.ReadStr();
    Indent();
    Out += (flags & ffInherited) ? "inherited " : (flags & ffInline) ? "inline " : "object ";
    if (!objectName.empty()) Out += objectName + ": ";
    Out += className;
    if (flags & ffChildPos) Out += " [" + IntToStr(childPos) + "]";
    Out += "\r\n";
    ++Nesting;
    while (!R.EndOfList()) ConvertProperty();
    R.ReadListEnd();
    while (!R.EndOfList()) ConvertObject();
    R.ReadListEnd();
    --Nesting;
    Indent();
    Out += "end\r\n";
    if (Out.size() >= FlushSize) Flush();
  }

 private:
  // One level of objects, lists or collections; too many raise EReadError.
  struct Nest {
    explicit Nest(TBinaryToText& c) : C(c) {
      if (C.Depth >= MaxFilerNesting) throw EReadError("Objects nested too deeply");
      ++C.Depth;
    }
    ~Nest() { --C.Depth; }
    TBinaryToText& C;
  };

  void Indent() { Out.append(2 * static_cast<size_t>(Nesting), ' '); }
  void NewLine() {
    Out += "\r\n";
    Indent();
    if (Out.size() >= FlushSize) Flush();
  }

  void ConvertProperty() {
    Indent();
    Out += R.ReadStr();
    Out += " = ";
    ConvertValue();
    Out += "\r\n";
  }

  void ConvertValue() {
    switch (R.NextValue()) {
      case vaList: {
        Nest level(*this);
        R.ReadValue();
        Out += '(';
        ++Nesting;
        while (!R.EndOfList()) {
          NewLine();
          ConvertValue();
        }
        R.ReadListEnd();
        --Nesting;
        Out += ')';
        break;
      }
      case vaInt8:
      case vaInt16:
      case vaInt32:
      case vaInt64:
        Out += IntToStr(R.ReadInt64());
        break;
      case vaQWord:
        Out += std::to_string(R.ReadQWord());
        break;
      case vaUString:  // vaDouble in the other dialect
        if (!R.DoubleDialect()) {
          ConvertString(std::u16string_view(R.ReadWideString()));
          break;
        }
        [[fallthrough]];
      case vaExtended:
      case vaSingle:  // as the extended it is written as again
        Out += ExtendedText(R.ReadFloat());
        break;
      case vaCurrency:
        Out += IntToStr(R.ReadCurrency()) + "c";
        break;
      case vaDate:
        Out += SuffixedText(R.ReadDate(), "d");
        break;
      case vaString:
      case vaLString:
        ConvertString(std::string_view(R.ReadString()));
        break;
      case vaUTF8String:
      case vaWString:
        ConvertString(std::u16string_view(R.ReadWideString()));
        break;
      case vaIdent:
      case vaFalse:
      case vaTrue:
      case vaNil:
      case vaNull:
        Out += R.ReadIdent();
        break;
      case vaBinary:
        ConvertBinary();
        break;
      case vaSet: {
        R.ReadValue();
        Out += '[';
        for (bool first = true;; first = false) {
          std::string name = R.ReadStr();
          if (name.empty()) break;
          if (!first) Out += ", ";
          Out += name;
        }
        Out += ']';
        break;
      }
      case vaCollection:
        ConvertCollection();
        break;
      default:
        throw EReadError("Invalid property value");
    }
  }

  // Quoted text, with control characters and quotes as #n codes. A byte string keeps its bytes
  // from 128 up in the quotes (UTF-8 text as it is, and read back as bytes); a wide string gives
  // every unit from 128 up as its #n code, which reads back as a wide string. A line is not cut
  // inside a UTF-8 sequence.
  template <class C>
  void ConvertString(std::basic_string_view<C> s) {
    if (s.empty()) {
      Out += "''";
      return;
    }
    const auto unit = [](C c) { return static_cast<uint32_t>(static_cast<std::make_unsigned_t<C>>(c)); };
    const auto printable = [&](C c) {
      const uint32_t u = unit(c);
      return u >= ' ' && u != 0x7F && u != '\'' && (sizeof(C) == 1 || u < 0x7F);
    };
    const auto continuation = [&](C c) { return sizeof(C) == 1 && (unit(c) & 0xC0) == 0x80; };
    ++Nesting;
    if (s.size() > LineLength) NewLine();
    size_t i = 0, lineStart = 0;
    while (i < s.size()) {
      if (printable(s[i])) {
        Out += '\'';
        do Out += static_cast<char>(s[i++]);
        while (i < s.size() && printable(s[i]) && (i - lineStart < LineLength || continuation(s[i])));
        Out += '\'';
      } else {
        Out += '#';
        Out += IntToStr(unit(s[i++]));
      }
      if (i - lineStart >= LineLength && i < s.size()) {
        Out += " +";
        NewLine();
        lineStart = i;
      }
    }
    --Nesting;
  }

  void ConvertBinary() {
    R.ReadValue();
    uint8_t size[4];
    R.Read(size, 4);
    int32_t count = static_cast<int32_t>(size[0] | size[1] << 8 | size[2] << 16 | uint32_t{size[3]} << 24);
    std::string bytes = R.ReadBytes(count);
    Out += '{';
    ++Nesting;
    for (size_t i = 0; i < bytes.size(); ++i) {
      if (i % BytesPerLine == 0) NewLine();
      Out += IntToHex(static_cast<uint8_t>(bytes[i]), 2);
    }
    --Nesting;
    Out += '}';
  }

  void ConvertCollection() {
    Nest level(*this);
    R.ReadValue();
    Out += '<';
    ++Nesting;
    while (!R.EndOfList()) {
      NewLine();
      Out += "item";
      TValueType order = R.NextValue();
      if (order == vaInt8 || order == vaInt16 || order == vaInt32)
        Out += " [" + IntToStr(R.ReadInteger()) + "]";
      Out += "\r\n";
      R.ReadListBegin();
      ++Nesting;
      while (!R.EndOfList()) ConvertProperty();
      R.ReadListEnd();
      --Nesting;
      Indent();
      Out += "end";
    }
    R.ReadListEnd();
    --Nesting;
    Out += '>';
  }

  static constexpr size_t FlushSize = 1 << 16;

  TReader& R;
  TStream& Output;
  std::string Out;
  int Nesting = 0;
  int Depth = 0;
};

class TTextToBinary {
 public:
  TTextToBinary(TParser& parser, TWriter& writer) : P(parser), W(writer) {}

  void ConvertObject() {
    Nest level(*this);
    uint8_t flags = 0;
    if (P.TokenSymbolIs("inherited"))
      flags = ffInherited;
    else if (P.TokenSymbolIs("inline"))
      flags = ffInline;
    else
      P.CheckTokenSymbol("object");
    P.NextToken();
    ConvertHeader(flags);
    while (!P.TokenSymbolIs("end") && !P.TokenSymbolIs("object") && !P.TokenSymbolIs("inherited") &&
           !P.TokenSymbolIs("inline"))
      ConvertProperty();
    W.WriteListEnd();
    while (!P.TokenSymbolIs("end")) ConvertObject();
    W.WriteListEnd();
    P.NextToken();
  }

 private:
  // One level of objects, lists or collections; too many raise EParserError.
  struct Nest {
    explicit Nest(TTextToBinary& c) : C(c) {
      if (C.Depth >= MaxFilerNesting) C.P.Error("Objects nested too deeply");
      ++C.Depth;
    }
    ~Nest() { --C.Depth; }
    TTextToBinary& C;
  };

  void WriteName(const std::string& name) {
    if (name.size() > 255) P.Error("Identifier too long");
    W.WriteStr(name);
  }

  void ConvertHeader(uint8_t flags) {
    P.CheckToken(toSymbol);
    std::string className = P.TokenString();
    std::string objectName;
    if (P.NextToken() == ':') {
      P.NextToken();
      P.CheckToken(toSymbol);
      objectName = className;
      className = P.TokenString();
      P.NextToken();
    }
    int32_t childPos = 0;
    if (P.Token() == '[') {
      P.NextToken();
      childPos = Int32Token();
      P.NextToken();
      P.CheckToken(']');
      P.NextToken();
      flags |= ffChildPos;
    }
    if (className.size() > 255 || objectName.size() > 255) P.Error("Identifier too long");
    W.WriteHeader(flags, childPos, className, objectName);
  }

  int32_t Int32Token() {
    P.CheckToken(toInteger);
    int64_t v = P.TokenInt();
    if (v < INT32_MIN || v > INT32_MAX) P.Error("Invalid integer value");
    return static_cast<int32_t>(v);
  }

  void ConvertProperty() {
    P.CheckToken(toSymbol);
    std::string name = P.TokenString();
    while (P.NextToken() == '.') {
      P.NextToken();
      P.CheckToken(toSymbol);
      name += "." + P.TokenString();
    }
    WriteName(name);
    P.CheckToken('=');
    P.NextToken();
    ConvertValue(false);
  }

  void ConvertValue(bool inList) {
    switch (P.Token()) {
      case toSymbol: {
        std::string ident = P.TokenComponentIdent();
        // Null is the end-of-list marker in binary form: inside a list it would end the list.
        if (inList && SameText(ident, "Null")) P.Error("Invalid property value");
        if (ident.size() > 255) P.Error("Identifier too long");
        W.WriteIdent(ident);
        P.NextToken();
        break;
      }
      case toString:
      case toWString:
        ConvertString();
        break;
      case toInteger: {
        // Above Int64's range, the Int64 of the same 64 bits (18446744073709551615 is -1), which
        // an unsigned 64-bit property reads back as the number.
        std::string text = P.TokenString();
        uint64_t q;
        auto r = std::from_chars(text.data(), text.data() + text.size(), q);
        if (r.ec == std::errc() && r.ptr == text.data() + text.size() && q > INT64_MAX)
          W.WriteInteger(static_cast<int64_t>(q));
        else
          W.WriteInteger(P.TokenInt());
        P.NextToken();
        break;
      }
      case toFloat:
        ConvertFloat();
        P.NextToken();
        break;
      case '[':
        ConvertSet();
        break;
      case '(': {
        Nest level(*this);
        P.NextToken();
        W.WriteListBegin();
        while (P.Token() != ')') ConvertValue(true);
        W.WriteListEnd();
        P.NextToken();
        break;
      }
      case '{': {
        std::string bytes = P.HexToBinary();
        W.WriteBinary(bytes.data(), static_cast<int32_t>(bytes.size()));
        P.NextToken();
        break;
      }
      case '<':
        ConvertCollection();
        break;
      default:
        P.Error("Invalid property value");
    }
  }

  // A string and its continued parts: a byte string unless one of the parts has a code above 255.
  // The parts are read twice, first for the kind and the length, then into a string of that size.
  void ConvertString() {
    const TParser::TMark first = P.Mark();
    bool wide = false;
    size_t length = 0;
    const auto parts = [&](const auto& each) {
      for (;;) {
        each();
        if (P.NextToken() != '+') break;
        P.NextToken();
        P.CheckToken(toString);
      }
    };
    parts([&] {
      wide = wide || P.Token() == toWString;
      length += P.TokenStringLength();
    });
    P.Restore(first);
    if (wide) {
      std::u16string s;
      s.reserve(length);
      parts([&] { P.AppendTokenUnits(s); });
      W.WriteWideString(s);
    } else {
      std::string s;
      s.reserve(length);
      parts([&] { P.AppendTokenBytes(s); });
      W.WriteString(s);
    }
  }

  void ConvertFloat() {
    std::string text = P.TokenString();
    if (P.FloatType()) text.pop_back();
    const char* first = text.data();
    const char* last = first + text.size();
    switch (P.FloatType()) {
      case 's': {
        float f;
        auto r = std::from_chars(first, last, f);
        if (r.ec != std::errc() || r.ptr != last) P.Error("Invalid floating point value");
        W.WriteSingle(f);
        break;
      }
      case 'd': {
        double d;
        auto r = std::from_chars(first, last, d);
        if (r.ec != std::errc() || r.ptr != last) P.Error("Invalid floating point value");
        W.WriteDate(d);
        break;
      }
      case 'c': {
        // The text counts ten-thousandths: 15000c is 1.5.
        int64_t scaled;
        auto r = std::from_chars(first, last, scaled);
        if (r.ec != std::errc() || r.ptr != last) {
          long double x = P.TokenFloat();
          x = std::round(x);
          if (!(x >= -0x1p63L && x < 0x1p63L)) P.Error("Invalid floating point value");
          scaled = static_cast<int64_t>(x);
        }
        W.WriteCurrency(scaled);
        break;
      }
      default:
        W.WriteFloat(P.TokenFloat());
    }
  }

  void ConvertSet() {
    P.NextToken();
    W.WriteValue(vaSet);
    if (P.Token() != ']') {
      for (;;) {
        std::string name;
        if (P.Token() == toInteger) {
          name = P.TokenString();
        } else if (P.Token() == toString || P.Token() == toWString) {
          std::u16string units;
          P.AppendTokenUnits(units);
          if (units.empty()) P.Error("Invalid property value");
          name = "#" + IntToStr(units[0]);
        } else {
          P.CheckToken(toSymbol);
          name = P.TokenString();
        }
        WriteName(name);
        if (P.NextToken() == ']') break;
        P.CheckToken(',');
        P.NextToken();
      }
    }
    W.WriteStr("");
    P.NextToken();
  }

  void ConvertCollection() {
    Nest level(*this);
    P.NextToken();
    W.WriteValue(vaCollection);
    while (P.Token() != '>') {
      P.CheckTokenSymbol("item");
      P.NextToken();
      if (P.Token() == '[') {
        P.NextToken();
        W.WriteInteger(Int32Token());
        P.NextToken();
        P.CheckToken(']');
        P.NextToken();
      }
      W.WriteListBegin();
      while (!P.TokenSymbolIs("end")) ConvertProperty();
      W.WriteListEnd();
      P.NextToken();
    }
    W.WriteListEnd();
    P.NextToken();
  }

  TParser& P;
  TWriter& W;
  int Depth = 0;
};

}  // namespace

void ObjectBinaryToText(TStream& Input, TStream& Output) {
  TReader reader(Input);
  reader.ReadSignature();
  reader.SettleDialect();
  TBinaryToText converter(reader, Output);
  converter.ConvertObject();
  converter.Flush();
}

void ObjectTextToBinary(TStream& Input, TStream& Output) {
  int64_t start = Input.Position();
  TParser parser(Input);
  TMemoryStream binary;
  TWriter writer(binary);
  writer.WriteSignature();
  TTextToBinary converter(parser, writer);
  converter.ConvertObject();
  Input.SetPosition(start + parser.TokenOffset());
  binary.SaveToStream(Output);
}

}  // namespace zu
