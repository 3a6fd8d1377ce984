// An in-memory main window: the three lists, the four labels, the caption,
// Timer1 and focus, with every change also written to an ordered event log.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "update/base/window.h"

class FakeStringList : public mwn::StringList {
 public:
  FakeStringList(std::string name, std::vector<std::string>& events)
      : name_(std::move(name)), events_(events) {}

  void Add(const std::string& line) override;
  std::string Get(int index) const override;
  void Delete(int index) override;
  int Count() const override { return static_cast<int>(lines.size()); }
  int Find(const std::string& line) const override;

  std::vector<std::string> lines;

 private:
  std::string name_;
  std::vector<std::string>& events_;
};

class FakeWindow : public mwn::MainWindow {
 public:
  static constexpr std::uint32_t kDefaultColour = 0x80000008;  // the window text colour

  struct LabelState {
    std::string text;
    bool visible = true;
    bool enabled = true;
    std::uint32_t colour = kDefaultColour;
    std::vector<std::string> history;  // every text set, in order
  };
  struct MemoState {
    bool enabled = true;
    std::uint32_t colour = kDefaultColour;
  };

  FakeWindow();

  LabelState& label(mwn::Label which) { return labels_[static_cast<int>(which)]; }
  MemoState& memo(mwn::Memo which) { return memos_[static_cast<int>(which)]; }
  FakeStringList& list(mwn::Memo which);
  // One Timer1Timer while the timer runs: the next caption frame.
  void FireTimer();

  std::vector<std::string> events;  // e.g. "caption:Mwn Update", "plain:Done!", "timer:stop"
  FakeStringList memo1{"memo1", events};
  FakeStringList memo2{"memo2", events};
  FakeStringList memo3{"memo3", events};
  std::string caption = "Mwn Update";
  bool timerRunning = false;
  std::string focus;  // "", "memo2" or "none"
  int caretToEnd = 0;
  std::vector<std::string> plainMessages;
  int closeCount = 0;
  int animationCounter = 0;

  // --- mwn::MainWindow ------------------------------------------------------
  mwn::StringList& Lines(mwn::Memo which) override { return list(which); }
  void SetMemoEnabled(mwn::Memo which, bool enabled) override;
  void SetMemoColour(mwn::Memo which, std::uint32_t colour) override;
  void SetLabelText(mwn::Label which, const std::string& text) override;
  void SetLabelVisible(mwn::Label which, bool visible) override;
  void SetLabelEnabled(mwn::Label which, bool enabled) override;
  void SetLabelColour(mwn::Label which, std::uint32_t colour) override;
  void SetCaption(const std::string& text) override;
  void StartTimer1() override;
  void StopTimer1() override;
  bool Timer1Running() const override { return timerRunning; }
  void FocusMemo2() override;
  void FocusNone() override;
  void Memo2CaretToEnd() override;
  void ShowPlainMessage(const std::string& text) override;
  void Close() override;

 private:
  LabelState labels_[4];
  MemoState memos_[3];
};

// "label1", "memo3": the names the event log uses.
std::string NameOf(mwn::Label which);
std::string NameOf(mwn::Memo which);
