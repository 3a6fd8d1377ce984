// The main window as the run sees it: every call goes to the window, and what
// the run adds to its lists (the locations scanned, the copies found, the
// copies updated) also goes to the log and its record as it happens.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "update/base/version.h"
#include "update/base/window.h"

namespace mwn {

class RunLog;

// The version of the copy at a path as the run reads it; false when it has
// none that can be read, or the run reads none of it.
using CopyVersionReader = std::function<bool(const std::string& copy, VersionStamp& version)>;

class LoggedWindow : public MainWindow {
 public:
  LoggedWindow(MainWindow& window, RunLog& log, CopyVersionReader versionOf);

  // The highest version among the copies found so far (0.0.0.0 for none).
  const VersionStamp& NewestFound() const { return newestFound_; }

  StringList& Lines(Memo memo) override;
  void SetMemoEnabled(Memo memo, bool enabled) override { window_.SetMemoEnabled(memo, enabled); }
  void SetMemoColour(Memo memo, std::uint32_t colour) override {
    window_.SetMemoColour(memo, colour);
  }
  void SetLabelText(Label label, const std::string& text) override {
    window_.SetLabelText(label, text);
  }
  void SetLabelVisible(Label label, bool visible) override {
    window_.SetLabelVisible(label, visible);
  }
  void SetLabelEnabled(Label label, bool enabled) override {
    window_.SetLabelEnabled(label, enabled);
  }
  void SetLabelColour(Label label, std::uint32_t colour) override {
    window_.SetLabelColour(label, colour);
  }
  void SetCaption(const std::string& caption) override { window_.SetCaption(caption); }
  void StartTimer1() override { window_.StartTimer1(); }
  void StopTimer1() override { window_.StopTimer1(); }
  bool Timer1Running() const override { return window_.Timer1Running(); }
  void FocusMemo2() override { window_.FocusMemo2(); }
  void FocusNone() override { window_.FocusNone(); }
  void Memo2CaretToEnd() override { window_.Memo2CaretToEnd(); }
  void ShowPlainMessage(const std::string& text) override { window_.ShowPlainMessage(text); }
  void Close() override { window_.Close(); }

 private:
  // One of the window's lists, telling the log of each line added.
  class LoggedLines : public StringList {
   public:
    LoggedLines(LoggedWindow& owner, Memo memo) : owner_(owner), memo_(memo) {}
    void Add(const std::string& line) override;
    std::string Get(int index) const override { return Inner().Get(index); }
    void Delete(int index) override { Inner().Delete(index); }
    int Count() const override { return Inner().Count(); }
    int Find(const std::string& line) const override { return Inner().Find(line); }

   private:
    StringList& Inner() const { return owner_.window_.Lines(memo_); }
    LoggedWindow& owner_;
    Memo memo_;
  };

  void Added(Memo memo, const std::string& line);

  MainWindow& window_;
  RunLog& log_;
  const CopyVersionReader versionOf_;
  LoggedLines memo1_{*this, Memo::Memo1};
  LoggedLines memo2_{*this, Memo::Memo2};
  LoggedLines memo3_{*this, Memo::Memo3};
  VersionStamp newestFound_;
};

}  // namespace mwn
