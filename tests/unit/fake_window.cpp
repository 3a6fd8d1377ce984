#include "fake_window.h"

#include <stdexcept>

#include "fake_platform.h"
#include "update/run/dialogs.h"

std::string NameOf(mwn::Label which) {
  return "label" + std::to_string(static_cast<int>(which) + 1);
}

std::string NameOf(mwn::Memo which) { return "memo" + std::to_string(static_cast<int>(which) + 1); }

void FakeStringList::Add(const std::string& line) {
  lines.push_back(line);
  events_.push_back(name_ + ":add:" + line);
}

std::string FakeStringList::Get(int index) const {
  if (index < 0 || index >= Count())
    throw std::out_of_range(name_ + " has no line " + std::to_string(index));
  return lines[static_cast<std::size_t>(index)];
}

void FakeStringList::Delete(int index) {
  if (index < 0 || index >= Count())
    throw std::out_of_range(name_ + " has no line " + std::to_string(index));
  lines.erase(lines.begin() + index);
  events_.push_back(name_ + ":delete:" + std::to_string(index));
}

int FakeStringList::Find(const std::string& line) const {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (SameIgnoringCase(lines[i], line)) return static_cast<int>(i);
  }
  return -1;
}

FakeWindow::FakeWindow() { label(mwn::Label::Label3).visible = false; }

FakeStringList& FakeWindow::list(mwn::Memo which) {
  switch (which) {
    case mwn::Memo::Memo1:
      return memo1;
    case mwn::Memo::Memo2:
      return memo2;
    case mwn::Memo::Memo3:
      return memo3;
  }
  throw std::logic_error("no such memo");
}

void FakeWindow::FireTimer() {
  if (!timerRunning) return;
  SetCaption(mwn::CaptionFrame(animationCounter));
  animationCounter = (animationCounter + 1) % 7;
}

void FakeWindow::SetMemoEnabled(mwn::Memo which, bool enabled) {
  memo(which).enabled = enabled;
  events.push_back(NameOf(which) + (enabled ? ":enabled" : ":disabled"));
}

void FakeWindow::SetMemoColour(mwn::Memo which, std::uint32_t colour) {
  memo(which).colour = colour;
  events.push_back(NameOf(which) + ":colour:" + std::to_string(colour));
}

void FakeWindow::SetLabelText(mwn::Label which, const std::string& text) {
  label(which).text = text;
  label(which).history.push_back(text);
  events.push_back(NameOf(which) + ":text:" + text);
}

void FakeWindow::SetLabelVisible(mwn::Label which, bool visible) {
  label(which).visible = visible;
  events.push_back(NameOf(which) + (visible ? ":visible" : ":hidden"));
}

void FakeWindow::SetLabelEnabled(mwn::Label which, bool enabled) {
  label(which).enabled = enabled;
  events.push_back(NameOf(which) + (enabled ? ":enabled" : ":disabled"));
}

void FakeWindow::SetLabelColour(mwn::Label which, std::uint32_t colour) {
  label(which).colour = colour;
  events.push_back(NameOf(which) + ":colour:" + std::to_string(colour));
}

void FakeWindow::SetCaption(const std::string& text) {
  caption = text;
  events.push_back("caption:" + text);
}

void FakeWindow::StartTimer1() {
  timerRunning = true;
  events.push_back("timer:start");
}

void FakeWindow::StopTimer1() {
  timerRunning = false;
  events.push_back("timer:stop");
}

void FakeWindow::FocusMemo2() {
  focus = "memo2";
  events.push_back("focus:memo2");
}

void FakeWindow::FocusNone() {
  focus = "none";
  events.push_back("focus:none");
}

void FakeWindow::Memo2CaretToEnd() {
  ++caretToEnd;
  events.push_back("caret:end");
}

void FakeWindow::ShowPlainMessage(const std::string& text) {
  plainMessages.push_back(text);
  events.push_back("plain:" + text);
}

void FakeWindow::Close() {
  ++closeCount;
  events.push_back("close");
}
