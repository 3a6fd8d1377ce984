// The main window of a quiet run: it shows nothing and keeps the lists the
// run works on in memory. No message it is given waits for anyone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "update/base/window.h"

namespace mwn {

class Platform;

class QuietWindow : public MainWindow {
 public:
  explicit QuietWindow(Platform& platform);

  StringList& Lines(Memo memo) override;
  void SetMemoEnabled(Memo, bool) override {}
  void SetMemoColour(Memo, std::uint32_t) override {}
  void SetLabelText(Label, const std::string&) override {}
  void SetLabelVisible(Label, bool) override {}
  void SetLabelEnabled(Label, bool) override {}
  void SetLabelColour(Label, std::uint32_t) override {}
  void SetCaption(const std::string&) override {}
  void StartTimer1() override { timer1Running_ = true; }
  void StopTimer1() override { timer1Running_ = false; }
  bool Timer1Running() const override { return timer1Running_; }
  void FocusMemo2() override {}
  void FocusNone() override {}
  void Memo2CaretToEnd() override {}
  void ShowPlainMessage(const std::string&) override {}
  void Close() override {}

 private:
  class MemoryLines : public StringList {
   public:
    explicit MemoryLines(Platform& platform) : platform_(platform) {}
    void Add(const std::string& line) override { lines_.push_back(line); }
    std::string Get(int index) const override;
    void Delete(int index) override;
    int Count() const override { return static_cast<int>(lines_.size()); }
    int Find(const std::string& line) const override;

   private:
    Platform& platform_;
    std::vector<std::string> lines_;
  };

  MemoryLines memo1_;
  MemoryLines memo2_;
  MemoryLines memo3_;
  bool timer1Running_ = false;
};

}  // namespace mwn
