// TStrings and TStringList: lists of lines, with comma text and change notification.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/classes/Persistent.h"

namespace zu {

class TReader;
class TWriter;

ZU_EVENT(TNotifyEvent, "Sender: TObject", TObject*)

// The line break of Text.
constexpr const char* sLineBreak = "\r\n";

class TStrings : public TPersistent {
  ZU_CLASS(TStrings, TPersistent)
 public:
  virtual int Count() const = 0;
  // The line at Index; raises EStringListError "List index out of bounds (%d)" outside 0..Count-1.
  virtual std::string Get(int Index) const = 0;
  virtual void Put(int Index, const std::string& S) = 0;
  virtual TObject* GetObject(int Index) const = 0;
  virtual void PutObject(int Index, TObject* AObject) = 0;
  virtual void Insert(int Index, const std::string& S) = 0;
  virtual void Delete(int Index) = 0;
  virtual void Clear() = 0;

  std::string operator[](int Index) const { return Get(Index); }
  int Add(const std::string& S);
  int AddObject(const std::string& S, TObject* AObject);
  void AddStrings(const TStrings& Other);
  // The first line equal to S (case-insensitive), or -1.
  virtual int IndexOf(const std::string& S) const;

  // Lines each followed by a CR LF; assigning splits at CR LF, LF or CR.
  std::string Text() const;
  void SetText(const std::string& Value);
  // Lines separated by ",", quoted with '"' where they hold a blank, a control character, a quote
  // or a comma; one empty line gives "". Assigning reads the same form; a zero byte ends the text.
  std::string CommaText() const;
  void SetCommaText(const std::string& Value);
  // The same with this list's Delimiter and QuoteChar.
  std::string DelimitedText() const;
  void SetDelimitedText(const std::string& Value);
  char Delimiter = ',';
  char QuoteChar = '"';

  // Suspends change notification until the matching EndUpdate.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }

  void Assign(TPersistent* Source) override;
  // Streams the lines as the list "Strings" when there are any.
  void DefineProperties(TFiler* Filer) override;

 protected:
  virtual void SetUpdateState(bool /*Updating*/) {}
  [[noreturn]] void Error(const char* fmt, int Index) const;

 private:
  void ReadData(TReader& Reader);
  void WriteData(TWriter& Writer);
  int FUpdateCount = 0;
};

class TStringList : public TStrings {
  ZU_CLASS(TStringList, TStrings)
 public:
  TStringList() = default;
  int Count() const override { return static_cast<int>(FList.size()); }
  std::string Get(int Index) const override;
  void Put(int Index, const std::string& S) override;
  TObject* GetObject(int Index) const override;
  void PutObject(int Index, TObject* AObject) override;
  void Insert(int Index, const std::string& S) override;
  void Delete(int Index) override;
  void Clear() override;

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  void SetUpdateState(bool Updating) override;
  void Changing();
  void Changed();

 private:
  void Check(int Index) const;
  std::vector<std::pair<std::string, TObject*>> FList;
};

}  // namespace zu
