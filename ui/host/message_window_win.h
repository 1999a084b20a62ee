// The program's own message box: an always-on-top page with an icon, a text
// and OK or Yes and No. Modal: the owner is disabled while it runs.
#pragma once

#include <windows.h>

#include <string>

#include "ui/host/html_window_win.h"

namespace kestro {

// The window class, by which other programs (and the tests) find the window.
inline constexpr wchar_t kMessageWindowClass[] = L"KestroMessageWindow";

enum class MessageIcon : int32_t { Information = 0, Error = 1, Warning = 2, Question = 3 };
enum class MessageButtons : int32_t { Ok = 0, YesNo = 1 };
// What the close button of a Yes/No question answers: Yes, as it always has,
// or No where Yes would destroy something (remove the adapter, end a running
// acceleration). Esc answers No in every question.
enum class QuestionWeight { Ordinary, Destructive };

// Answers of a run.
inline constexpr int32_t kAnswerOk = 0;
inline constexpr int32_t kAnswerYes = 1;
inline constexpr int32_t kAnswerNo = 2;

class CMessageWindow : public HtmlWindow {
 public:
  explicit CMessageWindow(std::wstring text)
      : CMessageWindow(std::move(text), MessageIcon::Information, MessageButtons::Ok) {}
  CMessageWindow(std::wstring text, MessageIcon icon, MessageButtons buttons,
                 QuestionWeight weight = QuestionWeight::Ordinary)
      : CMessageWindow(std::move(text), static_cast<int32_t>(icon), static_cast<int32_t>(buttons)) {
    weight_ = weight;
  }
  // Any other icon leaves the picture empty; any other button mode keeps the
  // page's own buttons.
  CMessageWindow(std::wstring text, int32_t icon, int32_t buttons);

  // Shows the window and returns the answer once it has closed. `owner` may be null.
  int32_t run(HWND owner);

  bool on_event(htmlayout::HELEMENT he, htmlayout::HELEMENT target, htmlayout::BEHAVIOR_EVENTS type,
                uintptr_t reason) override;
  bool handle_key(htmlayout::HELEMENT he, htmlayout::KEY_PARAMS& params) override;

 protected:
  std::span<const std::wstring_view> elementIds() const override;
  void initialise() override;
  bool freedWithWindow() const override { return false; }
  int32_t closeAnswer() const;
  bool endsMessageLoop() const override { return false; }

 private:
  std::wstring text_;
  int32_t answer_ = kAnswerOk;
  QuestionWeight weight_ = QuestionWeight::Ordinary;
  int32_t icon_;
  int32_t buttons_;
};

// Shows `text` with the information icon and OK, owned by `owner`.
void showMessage(HWND owner, const std::wstring& text);

}  // namespace kestro
