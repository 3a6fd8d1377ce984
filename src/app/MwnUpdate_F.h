// The main window Form1: the three lists, the four labels, the caption
// animation of Timer1, and the update run bound to its first activation.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>

#include "app/gdi.h"
#include "app/line_list.h"
#include "app/window_base.h"
#include "platform/win32/windows_api.h"
#include "update/base/display_scale.h"
#include "update/base/window.h"
#include "update/run/run.h"

namespace mwn {

class MessagePump;
class Platform;
class RunLog;

class Form1 : public WindowBase<Form1>, public MainWindow {
 public:
  // Creates the window, owned by `owner`, centred on the screen and hidden.
  Form1(HINSTANCE instance, HWND owner, Platform& platform, MessagePump& pump, RunLog& log,
        const std::string& applicationTitle, bool replaceInUse);
  ~Form1() override;

  void Show();
  // The run's outcome as the process's exit code.
  ExitCode Outcome() const { return run_.Outcome(); }

  StringList& Lines(Memo memo) override;
  void SetMemoEnabled(Memo memo, bool enabled) override;
  void SetMemoColour(Memo memo, std::uint32_t colour) override;
  void SetLabelText(Label label, const std::string& text) override;
  void SetLabelVisible(Label label, bool visible) override;
  void SetLabelEnabled(Label label, bool enabled) override;
  void SetLabelColour(Label label, std::uint32_t colour) override;
  void SetCaption(const std::string& caption) override;
  void StartTimer1() override;
  void StopTimer1() override;
  bool Timer1Running() const override;
  void FocusMemo2() override;
  void FocusNone() override;
  void Memo2CaretToEnd() override;
  void ShowPlainMessage(const std::string& text) override;
  void Close() override;

 private:
  friend class WindowBase<Form1>;

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  HWND CreateMemo(int id, DWORD wrapStyle);
  HWND CreateLabel(int id, DWORD visibility);
  HWND Control(int id) const;
  // Places and sizes every control and makes the font for `dpi`, from the
  // layout at 96.
  void ScaleLayout(int dpi);
  // Sizes a label to its text in the window's font.
  void FitLabel(HWND label, const std::wstring& text);
  void SetTextColour(HWND control, std::uint32_t colour);
  LRESULT ControlColour(UINT message, WPARAM wParam, LPARAM lParam);
  void OnActivate(WPARAM wParam, LPARAM lParam);

  // The handlers.
  void FormCreate();
  void FormShow();
  void Timer1Timer();
  void Memo2Change();

  HWND LabelHandle(Label label) const { return labels_[static_cast<std::size_t>(label)]; }
  HWND MemoHandle(Memo memo) const { return memos_[static_cast<std::size_t>(memo)]; }

  HINSTANCE instance_;
  HWND owner_;
  Platform& platform_;
  MessagePump& pump_;
  const std::string applicationTitle_;
  UpdateRun run_;
  int dpi_ = kLayoutDpi;
  UniqueFont font_;
  // By Label, in order:
  //   Label1: heading over Memo1: scanning <location>, then found / not yet updated / failed
  //   Label2: heading over Memo3, set when the replacement starts
  //   Label3: heading over Memo2, shown once the run starts
  //   Label4: the folder being searched, empty after the scan
  std::array<HWND, 4> labels_ = {};
  // By Memo, in order:
  //   Memo1: copies found; after the run, those not updated
  //   Memo2: locations scanned (drives, shares), also consulted to skip a share scanned before
  //   Memo3: copies updated
  std::array<HWND, 3> memos_ = {};
  // The memos' lines, by Memo: the run's own record, read back by its later steps.
  std::array<EditLines, 3> lines_;
  std::map<HWND, COLORREF> textColours_;
  // The child that had the focus when the window was last deactivated.
  HWND focusToRestore_ = nullptr;
  int animationCounter_ = 0;
  bool timer1Running_ = false;
  // True while the run works; a close request then only marks the
  // application for ending, which happens when the run returns.
  bool working_ = false;
  std::string pendingProgress_;
  bool progressPending_ = false;
  void ApplyLabelText(Label label, const std::string& text);
  bool ending_ = false;
};

}  // namespace mwn
