#include "platform/classes/Strings.h"

#include <cstring>

#include "platform/classes/Filer.h"
#include "platform/system/SysUtils.h"

namespace zu {

ZU_PUBLISHED(TStrings, "Classes") {}
ZU_PUBLISHED(TStringList, "Classes") {}

void TStrings::Error(const char* fmt, int Index) const { throw EStringListError(Format(fmt, {Index})); }

int TStrings::Add(const std::string& S) {
  int index = Count();
  Insert(index, S);
  return index;
}

int TStrings::AddObject(const std::string& S, TObject* AObject) {
  int index = Add(S);
  PutObject(index, AObject);
  return index;
}

void TStrings::AddStrings(const TStrings& Other) {
  BeginUpdate();
  try {
    for (int i = 0; i < Other.Count(); ++i) AddObject(Other.Get(i), Other.GetObject(i));
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

int TStrings::IndexOf(const std::string& S) const {
  for (int i = 0; i < Count(); ++i)
    if (SameText(Get(i), S)) return i;
  return -1;
}

std::string TStrings::Text() const {
  std::string out;
  for (int i = 0; i < Count(); ++i) {
    out += Get(i);
    out += sLineBreak;
  }
  return out;
}

void TStrings::SetText(const std::string& Value) {
  BeginUpdate();
  try {
    Clear();
    size_t i = 0, n = Value.size();
    while (i < n) {
      size_t start = i;
      while (i < n && Value[i] != '\r' && Value[i] != '\n') ++i;
      Add(Value.substr(start, i - start));
      if (i < n && Value[i] == '\r') ++i;
      if (i < n && Value[i] == '\n') ++i;
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

std::string TStrings::DelimitedText() const {
  int count = Count();
  if (count == 1 && Get(0).empty()) return std::string(2, QuoteChar);
  std::string out;
  for (int i = 0; i < count; ++i) {
    std::string s = Get(i);
    bool quote = false;
    for (char c : s) {
      unsigned char u = static_cast<unsigned char>(c);
      if ((u >= 1 && u <= 32) || c == QuoteChar || c == Delimiter) {
        quote = true;
        break;
      }
    }
    if (quote) {
      out += QuoteChar;
      for (char c : s) {
        out += c;
        if (c == QuoteChar) out += c;
      }
      out += QuoteChar;
    } else {
      out += s;
    }
    out += Delimiter;
  }
  if (!out.empty()) out.pop_back();
  return out;
}

void TStrings::SetDelimitedText(const std::string& Value) {
  // The text ends at its first zero byte, as a zero-terminated string would.
  const size_t n = std::min(Value.size(), std::strlen(Value.c_str()));
  auto blank = [&](size_t i) { return i < n && static_cast<unsigned char>(Value[i]) <= 32; };
  BeginUpdate();
  try {
    Clear();
    size_t i = 0;
    while (blank(i)) ++i;
    while (i < n) {
      std::string line;
      if (Value[i] == QuoteChar) {
        ++i;
        while (i < n) {
          if (Value[i] == QuoteChar) {
            if (i + 1 < n && Value[i + 1] == QuoteChar) {
              line += QuoteChar;
              i += 2;
              continue;
            }
            ++i;
            break;
          }
          line += Value[i++];
        }
      } else {
        size_t start = i;
        while (i<n&& static_cast<unsigned char>(Value[i])> 32 && Value[i] != Delimiter) ++i;
        line.assign(Value, start, i - start);
      }
      Add(line);
      while (blank(i)) ++i;
      if (i < n && Value[i] == Delimiter) {
        if (i + 1 == n) Add("");
        ++i;
        while (blank(i)) ++i;
      }
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

std::string TStrings::CommaText() const {
  auto* self = const_cast<TStrings*>(this);
  char d = Delimiter, q = QuoteChar;
  self->Delimiter = ',';
  self->QuoteChar = '"';
  std::string out;
  try {
    out = DelimitedText();
  } catch (...) {
    self->Delimiter = d;
    self->QuoteChar = q;
    throw;
  }
  self->Delimiter = d;
  self->QuoteChar = q;
  return out;
}

void TStrings::SetCommaText(const std::string& Value) {
  char d = Delimiter, q = QuoteChar;
  Delimiter = ',';
  QuoteChar = '"';
  try {
    SetDelimitedText(Value);
  } catch (...) {
    Delimiter = d;
    QuoteChar = q;
    throw;
  }
  Delimiter = d;
  QuoteChar = q;
}

void TStrings::BeginUpdate() {
  if (FUpdateCount == 0) SetUpdateState(true);
  ++FUpdateCount;
}

void TStrings::EndUpdate() {
  if (FUpdateCount == 0) return;
  if (--FUpdateCount == 0) SetUpdateState(false);
}

void TStrings::Assign(TPersistent* Source) {
  if (auto* other = dynamic_cast<TStrings*>(Source)) {
    if (other == this) return;
    BeginUpdate();
    try {
      Clear();
      AddStrings(*other);
      Delimiter = other->Delimiter;
      QuoteChar = other->QuoteChar;
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
    return;
  }
  TPersistent::Assign(Source);
}

// ---- TStringList ----

void TStringList::Check(int Index) const {
  if (Index < 0 || Index >= Count()) Error("List index out of bounds (%d)", Index);
}

std::string TStringList::Get(int Index) const {
  Check(Index);
  return FList[static_cast<size_t>(Index)].first;
}

void TStringList::Put(int Index, const std::string& S) {
  Check(Index);
  Changing();
  FList[static_cast<size_t>(Index)].first = S;
  Changed();
}

TObject* TStringList::GetObject(int Index) const {
  Check(Index);
  return FList[static_cast<size_t>(Index)].second;
}

void TStringList::PutObject(int Index, TObject* AObject) {
  Check(Index);
  Changing();
  FList[static_cast<size_t>(Index)].second = AObject;
  Changed();
}

void TStringList::Insert(int Index, const std::string& S) {
  if (Index < 0 || Index > Count()) Error("List index out of bounds (%d)", Index);
  Changing();
  FList.insert(FList.begin() + Index, {S, nullptr});
  Changed();
}

void TStringList::Delete(int Index) {
  Check(Index);
  Changing();
  FList.erase(FList.begin() + Index);
  Changed();
}

void TStringList::Clear() {
  if (FList.empty()) return;
  Changing();
  FList.clear();
  Changed();
}

void TStringList::SetUpdateState(bool Updating) {
  if (Updating)
    Changing();
  else
    Changed();
}

void TStringList::Changing() {
  if (UpdateCount() == 0) OnChanging(this);
}

void TStringList::Changed() {
  if (UpdateCount() == 0) OnChange(this);
}

void TStrings::DefineProperties(TFiler* Filer) {
  Filer->DefineProperty(
      "Strings", [this](TReader& Reader) { ReadData(Reader); },
      [this](TWriter& Writer) { WriteData(Writer); }, Count() > 0);
}

void TStrings::ReadData(TReader& Reader) {
  Reader.ReadListBegin();
  BeginUpdate();
  try {
    Clear();
    while (!Reader.EndOfList()) Add(Reader.ReadString());
    Reader.ReadListEnd();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::WriteData(TWriter& Writer) {
  Writer.WriteListBegin();
  for (int i = 0; i < Count(); ++i) Writer.WriteString(Get(i));
  Writer.WriteListEnd();
}

}  // namespace zu
