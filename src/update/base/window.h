// The narrow view the run has of the main window: its three lists, its four
// labels, the caption, Timer1, focus and the plain message. The Win32 window
// realises it in src/app; the unit tests realise it in memory.
#pragma once

#include <cstdint>
#include <string>

namespace mwn {

// An ordered list of lines, as shown by one of the window's text boxes.
class StringList {
 public:
  virtual ~StringList() = default;
  virtual void Add(const std::string& line) = 0;
  virtual std::string Get(int index) const = 0;
  virtual void Delete(int index) = 0;
  virtual int Count() const = 0;
  // Index of the first line equal to `line` ignoring letter case, or -1.
  virtual int Find(const std::string& line) const = 0;
};

enum class Label { Label1, Label2, Label3, Label4 };
enum class Memo { Memo1, Memo2, Memo3 };

// Whichever of three things, one a memo, stands for `memo`.
template <typename Each>
Each& OfMemo(Memo memo, Each& memo1, Each& memo2, Each& memo3) {
  switch (memo) {
    case Memo::Memo1:
      return memo1;
    case Memo::Memo2:
      return memo2;
    case Memo::Memo3:
      break;
  }
  return memo3;
}

// Colours in the system's 0x00BBGGRR form.
constexpr std::uint32_t kColourRed = 0x000000FF;

class MainWindow {
 public:
  virtual ~MainWindow() = default;
  virtual StringList& Lines(Memo memo) = 0;
  virtual void SetMemoEnabled(Memo memo, bool enabled) = 0;
  virtual void SetMemoColour(Memo memo, std::uint32_t colour) = 0;

  virtual void SetLabelText(Label label, const std::string& text) = 0;
  virtual void SetLabelVisible(Label label, bool visible) = 0;
  virtual void SetLabelEnabled(Label label, bool enabled) = 0;
  virtual void SetLabelColour(Label label, std::uint32_t colour) = 0;

  virtual void SetCaption(const std::string& caption) = 0;
  virtual void StartTimer1() = 0;
  virtual void StopTimer1() = 0;
  virtual bool Timer1Running() const = 0;

  virtual void FocusMemo2() = 0;
  virtual void FocusNone() = 0;
  // Puts Memo2's caret after its last character, clearing the selection.
  virtual void Memo2CaretToEnd() = 0;

  // The program's own modal message: the text and one OK button, captioned
  // with the application title.
  virtual void ShowPlainMessage(const std::string& text) = 0;
  // Closes the main window, which ends the program (at once when idle, when
  // the run returns if it is working).
  virtual void Close() = 0;
};

}  // namespace mwn
